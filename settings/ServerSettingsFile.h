#pragma once

#include "settings/SaveFailure.h"
#include "settings/SettingsStore.h"

#include <optional>

// "vbmail.ini" in the working directory: four lines "SMTP=", "POP3=", "MAIL=", "APOP=", each
// followed by its value, in code page 932 with CR LF line ends.
inline constexpr auto serverSettingsFileName = "vbmail.ini";
// The characters of a value that reading takes.
inline constexpr int serverSettingsValueLength = 100;

// Sets the fields that the file has lines for (the last line for each counts; a UTF-8 byte-order
// mark before the first is passed over, and then the values are UTF-8); the others keep their
// values. A missing, unreadable or oversized file sets nothing; one whose values are not text of
// its encoding is noted.
void LoadServerSettings(SettingsStore& store);

// The server fields a save stores: those the user changed. A field left out keeps its line.
struct ServerSettingsChanges {
    std::optional<QString> SmtpServer = {};
    std::optional<QString> Pop3Server = {};
    std::optional<QString> MailAddress = {};
    std::optional<qint16> ApopFlag = {};

    // Every field, as the record holds it.
    static ServerSettingsChanges allOf(const SettingsStore& store) {
        return {store.SmtpServer, store.Pop3Server, store.MailAddress, store.ApopFlag};
    }
};

// Stores the changed fields into the file as it is now, under the lock of a save: each gets its
// line rewritten (or added) unless the line already reads as its value, and every other byte of
// the file stays, the fields another program saved meanwhile included; a new or empty file gets
// the four lines. A file that exists but cannot be read, or is too large to be one of the
// program's, is never replaced: the failure says why. Whole or not at all.
SaveResult SaveServerSettings(const ServerSettingsChanges& changes);

// The "APOP=" value as a flag: the number the text begins with, halves rounded to even; a number
// too large for the flag still means APOP on.
qint16 apopFlagFromText(QStringView text);
