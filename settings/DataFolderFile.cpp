#include "settings/DataFolderFile.h"

#include "settings/ReadProblems.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFileInfo>

SaveResult writeDataFolderFile(const QString& path, const QList<ProfileFile::Entry>& entries,
                               ProfileFile::Access access) {
    if (!QDir().mkpath(DataFolder())) {
        const QFileInfo inTheWay(DataFolder());
        return inTheWay.exists() && !inTheWay.isDir()
                   ? SaveFailure::fileInPlaceOfFolder(DataFolder())
                   : SaveFailure::cannotCreateFolder(DataFolder());
    }
    if (auto reason = ProfileFile::writeStrings(path, dataFolderSection, entries, access))
        return SaveFailure::cannotWrite(path, *reason);
    return std::nullopt;
}

QByteArray readDataFolderString(const QString& path, const char* key, qsizetype bufferSize,
                                TextEncoding* encoding) {
    QString problem;
    QByteArray value =
        ProfileFile::readString(path, dataFolderSection, key, "", bufferSize, &problem, encoding);
    if (!problem.isEmpty())
        noteReadProblem(path, problem);
    return value;
}

int readDataFolderInt(const QString& path, const char* key, int defaultValue) {
    QString problem;
    const int value = ProfileFile::readInt(path, dataFolderSection, key, defaultValue, &problem);
    if (!problem.isEmpty())
        noteReadProblem(path, problem);
    return value;
}

TextEncoding dataFolderFileEncoding(const QString& path) {
    constexpr qsizetype byteOrderMarkBytes = 3;
    return TextEncoding::of(ProfileFile::readFileHead(path, nullptr, byteOrderMarkBytes));
}
