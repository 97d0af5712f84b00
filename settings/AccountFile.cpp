#include "settings/AccountFile.h"

#include "settings/DataFolderFile.h"
#include "settings/SettingsStore.h"

#include "platform/CodePage932.h"

namespace {
constexpr qsizetype valueBufferSize = 256;
}

QString AccountFilePath() {
    return DataFolder() + QStringLiteral("/iniIdPass.ini");
}

QString ReadProfileText(const char* key) {
    return CodePage932::decode(ReadDataFolderString(AccountFilePath(), key, valueBufferSize));
}

StoredAccount ReadAccount() {
    StoredAccount account;
    account.id = ReadProfileText("NAME");
    account.password = ReadProfileText("NAME2");
    account.saveFlag = ReadProfileText("NAME3");
    return account;
}

SaveResult SaveAccount(const QString& id, const QString& password, bool save) {
    QList<ProfileFile::Entry> entries;
    if (save) {
        if (auto failure = checkStorable(QStringLiteral("ID"), id))
            return failure;
        if (auto failure = checkStorable(QStringLiteral("パスワード"), password))
            return failure;
        entries = {{"NAME", *CodePage932::encode(id)},
                   {"NAME2", *CodePage932::encode(password)},
                   {"NAME3", "1"}};
    } else {
        // Asked not to keep the account: a password kept from before goes too.
        if (!ReadProfileText("NAME2").isEmpty())
            entries.append(ProfileFile::Entry("NAME2", ""));
        entries.append(ProfileFile::Entry("NAME3", "0"));
    }
    return WriteDataFolderFile(AccountFilePath(), entries, ProfileFile::Access::OwnerOnly);
}
