#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The mail library's calls as the check makes them (platform/NMail.h says what each does). The
// check reaches the library only through here, so that a test can stand in for the library and
// see every call, in order, on every path.
class MailLibrary {
public:
    virtual ~MailLibrary() = default;

    virtual int pop3Connect(const QString& server) = 0;
    virtual int pop3Authenticate(int handle, const QString& id, const QString& password,
                                 int apop) = 0;
    virtual int pop3GetUidl(int handle, QStringList& uids) = 0;
    virtual int pop3GetMailStatus(int handle, int number, QString& subject, QString& from,
                                  QString& date, QString& to, int flag) = 0;
    virtual int pop3GetMailSize(int handle, int number) = 0;
    virtual int pop3GetMail(int handle, int number, QString& subject, QString& from, QString& date,
                            QString& to, QByteArray& message, int flag, int flag2) = 0;
    virtual int getMessage(int code, QString& text, int& size) = 0;
    virtual int pop3Close(int handle) = 0;
};

// The real library.
MailLibrary& NMail();

// The text before the first NUL character, or the whole text when it has none: how a text is
// taken out of a buffer the library filled.
QString CutAtNul(const QString& text);
