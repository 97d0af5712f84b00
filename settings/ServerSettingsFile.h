#pragma once

#include "settings/SaveFailure.h"
#include "settings/SettingsStore.h"

// "vbmail.ini" in the working directory: four lines "SMTP=", "POP3=", "MAIL=", "APOP=", each
// followed by its value, in code page 932 with CR LF line ends.
inline constexpr auto serverSettingsFileName = "vbmail.ini";

// Sets the fields that the file has lines for; the others keep their values. A missing or
// unreadable file sets nothing.
void LoadServerSettings(SettingsStore& store);

// Replaces the file with the four server fields, whole or not at all.
SaveResult SaveServerSettings(const SettingsStore& store);

// The "APOP=" value as a flag: the number the text begins with, halves rounded to even; a number
// too large for the flag still means APOP on.
qint16 ApopFlagFromText(QStringView text);
