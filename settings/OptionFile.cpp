#include "settings/OptionFile.h"

#include "settings/DataFolderFile.h"
#include "settings/SettingsStore.h"

#include "platform/CodePage932.h"
#include "platform/ProfileFile.h"

QString optionFilePath() {
    return DataFolder() + QStringLiteral("/ini.ini");
}

int ReadDisconnectOption() {
    return readDataFolderInt(optionFilePath(), "NUMBER", 0);
}

SaveResult WriteDisconnectOption(const QString& text) {
    if (auto failure = checkStorable(QStringLiteral("NUMBER"), text))
        return failure;
    return writeDataFolderFile(optionFilePath(), {{"NUMBER", *CodePage932::encode(text)}},
                               ProfileFile::Access::Shared);
}
