#include "platform/AutostartEntry.h"

#include "platform/ProfileFile.h"
#include "platform/SystemReason.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace {

constexpr qsizetype maxEntryBytes = 64 * 1024;

// Characters that make an argument need quotes (the desktop entry format's reserved
// characters), and those that must be escaped inside them.
const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
const QString escapedInQuotes = QStringLiteral("\"`$\\");

QString quotedArgument(const QString& argument) {
    QString text = argument;
    text.replace(u'%', QStringLiteral("%%"));
    if (!argument.isEmpty() && std::none_of(argument.begin(), argument.end(),
                                            [](QChar c) { return reserved.contains(c); }))
        return text;
    QString quoted = QStringLiteral("\"");
    for (const QChar c : text) {
        if (escapedInQuotes.contains(c))
            quoted += u'\\';
        quoted += c;
    }
    return quoted + u'"';
}

// A value of type string: its backslashes and line breaks escaped.
QString stringValue(QString text) {
    return text.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'\n', QStringLiteral("\\n"))
        .replace(u'\r', QStringLiteral("\\r"));
}

QByteArray entryText(const QString& program, const QStringList& arguments,
                     const QString& workingFolder) {
    const QStringList lines = {
        QStringLiteral("[Desktop Entry]"),
        QStringLiteral("Type=Application"),
        QStringLiteral("Name=Pomarin"),
        QStringLiteral("Name[ja]=ぽまりん"),
        QStringLiteral("Comment=A desktop mascot that checks your POP3 mailbox"),
        QStringLiteral("Comment[ja]=POP3 の受信箱を調べてくれるデスクトップマスコット"),
        QStringLiteral("Icon=pomarin"),
        QStringLiteral("Exec=") + stringValue(AutostartEntry::execValue(program, arguments)),
        QStringLiteral("Path=") + stringValue(workingFolder),
        QStringLiteral("Terminal=false"),
        QStringLiteral("X-GNOME-Autostart-enabled=true"),
    };
    return (lines.join(u'\n') + u'\n').toUtf8();
}

} // namespace

namespace AutostartEntry {

QString path() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/io.github.pomarin.Pomarin.desktop");
}

bool exists() {
    return QFileInfo::exists(path());
}

QString execValue(const QString& program, const QStringList& arguments) {
    QStringList words = {quotedArgument(program)};
    for (const QString& argument : arguments)
        words << quotedArgument(argument);
    return words.join(u' ');
}

std::optional<QString> create(const QString& program, const QStringList& arguments,
                              const QString& workingFolder) {
    // A folder that cannot be made fails the write just below, which says why.
    QDir().mkpath(QFileInfo(path()).path());
    const QByteArray text = entryText(program, arguments, workingFolder);
    return ProfileFile::rewriteFile(
        path(), maxEntryBytes, [&text](QByteArrayView) { return std::optional(text); },
        ProfileFile::Access::Shared);
}

std::optional<QString> remove() {
    if (::unlink(QFile::encodeName(path()).constData()) == 0 || errno == ENOENT)
        return std::nullopt;
    return systemReason(errno);
}

} // namespace AutostartEntry
