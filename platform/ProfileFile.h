#pragma once

#include "platform/TextEncoding.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>
#include <utility>

// Profile (INI) files read and rewritten with the rules of the Windows profile functions, so that
// files written by earlier versions and by hand read the same:
// - "[section]" lines and "key=value" lines, ended by CR LF, a lone LF or a lone CR; section and
//   key names compare without regard to letter case; the first matching section and, in it, the
//   first matching key count; a UTF-8 byte-order mark before the first line is not part of it;
// - blanks around names and values are ignored, and one pair of quotes around a value is removed;
// - a write keeps every other line of the file byte for byte, replaces the key's line, adds a
//   missing key after the last line of its section and a missing section at the end; a value that
//   the rule above would change is written in double quotes, so that it reads back as given; a key
//   that already holds the value keeps its line, and a file whose keys all do is not written.
// The reasons of failures are in Japanese, for messages to the user.
// Names and values are byte strings in the file's encoding (TextEncoding: code page 932, or UTF-8
// after a byte-order mark).
namespace ProfileFile {

using Entry = std::pair<QByteArray, QByteArray>;

enum class Access { Shared, OwnerOnly };

// Larger files are read only this far and never rewritten, so a stray huge file can neither
// exhaust memory nor be cut short by a save.
constexpr qsizetype maxProfileFileBytes = 64 * 1024 * 1024;

// The key's value, or defaultValue when the file, the section or the key is missing; cut at its
// first NUL and then to at most bufferSize - 1 bytes, never inside a character of the file's
// encoding, which encoding, when given, is set to. A file that exists but cannot be read gives
// defaultValue too; problem, when given, then says why (and is cleared otherwise).
QByteArray readString(const QString& path, QByteArrayView section, QByteArrayView key,
                      QByteArrayView defaultValue, qsizetype bufferSize, QString* problem = nullptr,
                      TextEncoding* encoding = nullptr);

// The whole number the key's value begins with (0 when it begins with none), or defaultValue when
// the file, section or key is missing or the value is empty; problem as for readString.
int readInt(const QString& path, QByteArrayView section, QByteArrayView key, int defaultValue,
            QString* problem = nullptr);

// Sets each key of section in turn, as one replacement of the whole file: either every entry is
// stored or the file is left as it was. Saves of one file, also by other programs, take turns:
// each reads the file after the one before has written it, so none loses another's change. A save
// waits at most two seconds for its turn. The result is the reason of a failure.
std::optional<QString> writeStrings(const QString& path, QByteArrayView section,
                                    const QList<Entry>& entries, Access access);

// The first step of readString, also for settings files of other forms: the file's first limit
// bytes; empty when it is missing or cannot be read, and problem as for readString. A folder or
// anything else but a regular file in the file's place is a problem. A caller that reads one byte
// more than it accepts can tell a file that is too large.
QByteArray readFileHead(const QString& path, QString* problem = nullptr,
                        qsizetype limit = maxProfileFileBytes);

// Saves a settings file of any form as writeStrings does: edit gets the file's content as it is
// now (empty when it is missing) and gives the whole new content, or nothing to leave the file as
// it is. The file is read again and edited again once the save has its turn, so a save by another
// program meanwhile is kept. A file that cannot be read, or is larger than maxBytes, is never
// replaced: the result says why. The new content goes to "<file>.new", which then takes the
// file's place in one rename, so that neither a crash nor a full disk leaves the file torn; a save
// cut short leaves at most that one file behind, and the next save reuses it. A link is followed;
// the result is the reason of a failure.
using Edit = std::function<std::optional<QByteArray>(QByteArrayView content)>;
std::optional<QString> rewriteFile(const QString& path, qsizetype maxBytes, const Edit& edit,
                                   Access access);

} // namespace ProfileFile
