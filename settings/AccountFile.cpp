#include "settings/AccountFile.h"

#include "settings/DataFolderFile.h"
#include "settings/ReadProblems.h"
#include "settings/SettingsStore.h"

#include "platform/SystemReason.h"

#include <QFile>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype valueBufferSize = 256;

// A password file that others can read gives the password away: made private where the user may
// change it, as mail programs insist.
void keepPasswordPrivate(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat info = {};
    if (::stat(name.constData(), &info) != 0 || (info.st_mode & 077) == 0 ||
        info.st_uid != ::geteuid())
        return;
    const bool madePrivate = ::chmod(name.constData(), info.st_mode & 07700) == 0;
    noteReadableByOthers(path, madePrivate ? std::nullopt : std::optional(systemReason(errno)));
}

} // namespace

QString accountFilePath() {
    return DataFolder() + QStringLiteral("/iniIdPass.ini");
}

QString ReadProfileText(const char* key) {
    bool valid = true;
    TextEncoding encoding;
    const QByteArray stored =
        readDataFolderString(accountFilePath(), key, valueBufferSize, &encoding);
    const QString text = encoding.decode(stored, &valid);
    if (!valid)
        noteUnreadableText(accountFilePath());
    return text;
}

StoredAccount ReadAccount() {
    StoredAccount account;
    account.id = ReadProfileText("NAME");
    account.password = ReadProfileText("NAME2");
    account.saveFlag = ReadProfileText("NAME3");
    if (!account.password.isEmpty())
        keepPasswordPrivate(accountFilePath());
    return account;
}

SaveResult SaveAccount(const AccountEntry& loaded, const AccountEntry& confirmed) {
    QList<ProfileFile::Entry> entries;
    if (confirmed.save) {
        const TextEncoding encoding = dataFolderFileEncoding(accountFilePath());
        const std::tuple<const char*, QString, QString, QString> values[] = {
            {"NAME", QStringLiteral("ID"), loaded.id, confirmed.id},
            {"NAME2", QStringLiteral("パスワード"), loaded.password, confirmed.password},
        };
        for (const auto& [key, fieldName, before, after] : values) {
            if (loaded.save && after == before)
                continue;
            if (SaveResult failure = checkStorable(fieldName, after, encoding))
                return failure;
            entries.append(ProfileFile::Entry(key, encoding.encode(after).value()));
        }
        if (!entries.isEmpty() || !loaded.save)
            entries.append(ProfileFile::Entry("NAME3", "1"));
    } else if (loaded.save) {
        // Asked no longer to keep the account: a password kept from before goes too.
        if (!ReadProfileText("NAME2").isEmpty())
            entries.append(ProfileFile::Entry("NAME2", ""));
        entries.append(ProfileFile::Entry("NAME3", "0"));
    }
    if (entries.isEmpty())
        return std::nullopt;
    return writeDataFolderFile(accountFilePath(), entries, ProfileFile::Access::OwnerOnly);
}
