#pragma once

#include "settings/SaveFailure.h"
#include "settings/SettingsStore.h"

// "vbmail.ini" in the working directory: four lines "SMTP=", "POP3=", "MAIL=", "APOP=", each
// followed by its value, in code page 932 with CR LF line ends.
inline constexpr auto serverSettingsFileName = "vbmail.ini";
// The characters of a value that reading takes.
inline constexpr int serverSettingsValueLength = 100;

// Sets the fields that the file has lines for (the last line for each counts; a UTF-8 byte-order
// mark before the first is passed over); the others keep their values. A missing, unreadable or
// oversized file sets nothing; one that is not code page 932 text is noted.
void LoadServerSettings(SettingsStore& store);

// Stores the four server fields: a field whose value changed gets its line rewritten (or added),
// every other byte of the file stays; a new file gets the four lines. Whole or not at all.
SaveResult SaveServerSettings(const SettingsStore& store);

// The "APOP=" value as a flag: the number the text begins with, halves rounded to even; a number
// too large for the flag still means APOP on.
qint16 apopFlagFromText(QStringView text);
