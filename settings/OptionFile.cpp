#include "settings/OptionFile.h"

#include "settings/DataFolderFile.h"
#include "settings/SettingsStore.h"

#include "platform/CodePage932.h"
#include "platform/ProfileFile.h"

QString OptionFilePath() {
    return DataFolder() + QStringLiteral("/ini.ini");
}

int ReadDisconnectOption() {
    return ReadDataFolderInt(OptionFilePath(), "NUMBER", 0);
}

SaveResult WriteDisconnectOption(const QString& text) {
    if (auto failure = checkStorable(QStringLiteral("NUMBER"), text))
        return failure;
    return WriteDataFolderFile(OptionFilePath(), {{"NUMBER", *CodePage932::encode(text)}},
                               ProfileFile::Access::Shared);
}
