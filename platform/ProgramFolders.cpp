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

bool runsInstalled() {
    return QFileInfo(installedShareFolder()).isDir() ||
           !QFileInfo(QCoreApplication::applicationDirPath()).isWritable();
}

QString shippedFilesFolder() {
    return QFileInfo(installedShareFolder()).isDir() ? installedShareFolder()
                                                     : QCoreApplication::applicationDirPath();
}

QString userSettingsFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/pomarin");
}
