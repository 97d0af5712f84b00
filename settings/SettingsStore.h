#pragma once

#include <QString>

// The program's one settings record; texts empty and APOP off until something is loaded.
struct SettingsStore {
    QString UserId;
    QString UserPassword;
    QString Pop3Server;
    QString SmtpServer;
    qint16 ApopFlag = 0; // 0 plain login; any other value asks for APOP
    QString MailAddress;
    // The user confirmed UserId and UserPassword in the account dialog: this session's checks log
    // in with them, stored or not, instead of reading the account file.
    bool accountConfirmed = false;

    static SettingsStore& instance();
};

// "★MailData", home of the option and account files: beside the program, or in the user's
// settings folder when the program is installed.
QString DataFolder();
