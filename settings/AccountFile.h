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

StoredAccount ReadAccount();

// With save, stores ID, password and "NAME3" = "1"; without, "NAME3" = "0" and an empty password
// in place of a stored one, keeping the stored ID. Nothing is stored when either text cannot be.
SaveResult SaveAccount(const QString& id, const QString& password, bool save);
