#include "settings/SettingsStore.h"

#include "platform/ProgramFolders.h"

#include <QCoreApplication>

SettingsStore& SettingsStore::instance() {
    static SettingsStore store;
    return store;
}

QString DataFolder() {
    const QString home =
        runsInstalled() ? userSettingsFolder() : QCoreApplication::applicationDirPath();
    return home + QStringLiteral("/★MailData");
}
