#include "settings/SettingsStore.h"

#include "platform/ProgramFolders.h"

#include <QCoreApplication>

SettingsStore& SettingsStore::instance() {
    static SettingsStore store;
    return store;
}

QString DataFolder() {
    const QString home =
        RunsInstalled() ? UserSettingsFolder() : QCoreApplication::applicationDirPath();
    return home + QStringLiteral("/★MailData");
}
