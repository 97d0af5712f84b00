#include "settings/AccountFile.h"

#include "settings/DataFolderFile.h"
#include "settings/ReadProblems.h"
#include "settings/SettingsStore.h"

#include "platform/CodePage932.h"

namespace {

constexpr qsizetype valueBufferSize = 256;

// What a stored value reads as: at most 255 bytes of it.
QString readAs(QByteArrayView stored, bool* valid = nullptr) {
    return CodePage932::decode(CodePage932::wholeCharacterPrefix(stored, valueBufferSize - 1),
                               valid);
}

// The key's bytes to store for the text: those already stored when the text is what they read
// as, so that a value the user did not change keeps every byte (even ones that are no code page
// 932 text, or ones past 255); else the text's own, when the code page holds it.
std::optional<QByteArray> bytesFor(const char* key, const QString& fieldName, const QString& text,
                                   SaveResult& failure) {
    const QByteArray stored =
        readDataFolderString(accountFilePath(), key, ProfileFile::maxFileBytes);
    if (readAs(stored) == text)
        return stored;
    if ((failure = checkStorable(fieldName, text)))
        return std::nullopt;
    return CodePage932::encode(text);
}

} // namespace

QString accountFilePath() {
    return DataFolder() + QStringLiteral("/iniIdPass.ini");
}

QString ReadProfileText(const char* key) {
    bool valid = true;
    const QString text =
        readAs(readDataFolderString(accountFilePath(), key, valueBufferSize), &valid);
    if (!valid)
        noteUnreadableText(accountFilePath());
    return text;
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
        SaveResult failure;
        const auto idBytes = bytesFor("NAME", QStringLiteral("ID"), id, failure);
        if (!idBytes)
            return failure;
        const auto passwordBytes =
            bytesFor("NAME2", QStringLiteral("パスワード"), password, failure);
        if (!passwordBytes)
            return failure;
        entries = {{"NAME", *idBytes}, {"NAME2", *passwordBytes}, {"NAME3", "1"}};
    } else {
        // Asked not to keep the account: a password kept from before goes too.
        if (!ReadProfileText("NAME2").isEmpty())
            entries.append(ProfileFile::Entry("NAME2", ""));
        entries.append(ProfileFile::Entry("NAME3", "0"));
    }
    return writeDataFolderFile(accountFilePath(), entries, ProfileFile::Access::OwnerOnly);
}
