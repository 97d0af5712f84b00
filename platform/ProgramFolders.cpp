#include "platform/ProgramFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString installedShareFolder() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/pomarin"));
}

} // namespace

bool RunsInstalled() {
    return QFileInfo(installedShareFolder()).isDir() ||
           !QFileInfo(QCoreApplication::applicationDirPath()).isWritable();
}

QString ShippedFilesFolder() {
    return QFileInfo(installedShareFolder()).isDir() ? installedShareFolder()
                                                     : QCoreApplication::applicationDirPath();
}

QString UserSettingsFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/pomarin");
}
