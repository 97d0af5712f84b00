#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The program's freedesktop autostart entry ($XDG_CONFIG_HOME/autostart, ~/.config/autostart by
// default), with which the desktop starts it at login. Whether the program starts with the
// desktop is whether the entry is there: the desktop's own settings may remove it.
namespace AutostartEntry {

QString path();
bool exists();

// Writes the entry so that the desktop starts program with arguments in workingFolder, as this
// copy was started (the menu entry's --config-folder, or the folder that holds its vbmail.ini).
// The reason of a failure.
std::optional<QString> create(const QString& program, const QStringList& arguments,
                              const QString& workingFolder);
// Removes the entry; one already gone is no failure.
std::optional<QString> remove();

// An Exec value that starts program with arguments: quoted and escaped by the entry format's
// rules, so that no space, quote, backslash or percent sign in a path changes what runs.
QString execValue(const QString& program, const QStringList& arguments);

} // namespace AutostartEntry
