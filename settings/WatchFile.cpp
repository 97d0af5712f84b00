#include "settings/WatchFile.h"

#include "settings/DataFolderFile.h"
#include "settings/SettingsStore.h"

namespace {

constexpr qsizetype valueBufferSize = 64;

SaveResult writeKey(const char* key, const QString& value) {
    return writeDataFolderFile(watchFilePath(), {{key, value.toLatin1()}},
                               ProfileFile::Access::Shared);
}

} // namespace

QString watchFilePath() {
    return DataFolder() + QStringLiteral("/watch.ini");
}

WatchSettings ReadWatchSettings() {
    const QString path = watchFilePath();
    bool isNumber = false;
    const double minutes =
        QString::fromLatin1(readDataFolderString(path, "INTERVAL", valueBufferSize))
            .toDouble(&isNumber);
    return {isNumber && minutes > 0 ? minutes : 0, readDataFolderInt(path, "AUTOSTART", 0) != 0};
}

SaveResult WriteCheckInterval(double minutes) {
    return writeKey("INTERVAL", QString::number(minutes));
}

SaveResult WriteStartsWithDesktop(bool on) {
    return writeKey("AUTOSTART", on ? QStringLiteral("1") : QStringLiteral("0"));
}
