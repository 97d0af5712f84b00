#pragma once

#include "settings/SaveFailure.h"

#include <QString>

// "iniIdPass.ini" in the data folder: section "EXEINI" with the account ID ("NAME"), the password
// in plain text ("NAME2") and whether both were saved ("NAME3", "1" or "0"). Readable by its owner
// only.
QString accountFilePath();

struct StoredAccount {
    QString id;
    QString password;
    QString saveFlag;
};

// One key of the account file: at most 255 bytes of it, empty when it is missing.
QString ReadProfileText(const char* key);

// The stored account. A file that holds a password and that others may read is made readable by
// its owner only, when that is the user, and the user is told so once.
StoredAccount ReadAccount();

// The account as the account dialog holds it: its two boxes and its save box.
struct AccountEntry {
    QString id;
    QString password;
    bool save = false;
};

// Stores what the user changed in the account dialog, from what it loaded to what they confirmed,
// into the file as it is now, so that a save by another copy of the program meanwhile is kept:
// with the save box ticked, the ID and the password that changed (both when the box was ticked just
// now) and "NAME3" = "1"; with the box cleared just now, "NAME3" = "0" and an empty password in
// place of a stored one, keeping the stored ID; with the box left cleared, nothing. Nothing is
// stored when a text cannot be.
SaveResult SaveAccount(const AccountEntry& loaded, const AccountEntry& confirmed);
