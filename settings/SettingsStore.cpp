#include "settings/SettingsStore.h"

#include <QCoreApplication>

SettingsStore& SettingsStore::instance() {
    static SettingsStore store;
    return store;
}

QString DataFolder() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/★MailData");
}
