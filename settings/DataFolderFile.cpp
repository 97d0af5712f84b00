#include "settings/DataFolderFile.h"

#include "settings/SettingsStore.h"

#include <QDir>

SaveResult WriteDataFolderFile(const QString& path, const QList<ProfileFile::Entry>& entries,
                               ProfileFile::Access access) {
    if (!QDir().mkpath(DataFolder()))
        return SaveFailure::cannotCreateFolder(DataFolder());
    if (auto reason = ProfileFile::writeStrings(path, dataFolderSection, entries, access))
        return SaveFailure::cannotWrite(path, *reason);
    return std::nullopt;
}
