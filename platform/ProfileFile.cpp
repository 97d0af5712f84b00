#include "platform/ProfileFile.h"

#include "platform/TextLines.h"

#include "platform/CodePage932.h"
#include "platform/SystemReason.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace ProfileFile {
namespace {

constexpr QByteArrayView lineEnd = "\r\n";

// A save waits this long for another save of the file to end. It runs on the GUI thread, and a
// save takes milliseconds: a longer wait means a program that holds the lock and does not save.
constexpr auto lockWait = std::chrono::seconds(2);

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView text) {
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

bool isAscii(QByteArrayView text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

bool namesEqual(QByteArrayView a, QByteArrayView b) {
    // Byte-wise folding is only right for ASCII: the second byte of a double-byte character may
    // look like a Latin letter.
    if (isAscii(a) && isAscii(b))
        return a.compare(b, Qt::CaseInsensitive) == 0;
    return CodePage932::decode(a).compare(CodePage932::decode(b), Qt::CaseInsensitive) == 0;
}

// The name of a "[name]" line, or nothing for any other line.
std::optional<QByteArrayView> sectionName(QByteArrayView lineText) {
    const QByteArrayView text = trimmed(lineText);
    if (!text.startsWith('['))
        return std::nullopt;
    const qsizetype close = text.lastIndexOf(']');
    if (close < 0)
        return std::nullopt;
    return trimmed(text.sliced(1, close - 1));
}

struct KeyLine {
    QByteArrayView key;
    QByteArrayView value;
};

KeyLine keyLine(QByteArrayView lineText) {
    const qsizetype equals = lineText.indexOf('=');
    if (equals < 0)
        return {trimmed(lineText), {}};
    return {trimmed(lineText.first(equals)), trimmed(lineText.sliced(equals + 1))};
}

QByteArrayView withoutQuotes(QByteArrayView value) {
    if (value.size() >= 2 && value.front() == value.back() &&
        (value.front() == '"' || value.front() == '\''))
        return value.sliced(1, value.size() - 2);
    return value;
}

std::optional<TextLine> findSection(TextLines& lines, QByteArrayView section) {
    while (const auto line = lines.next()) {
        const auto name = sectionName(line->text);
        if (name && namesEqual(*name, section))
            return line;
    }
    return std::nullopt;
}

std::optional<QByteArrayView> readValue(QByteArrayView content, QByteArrayView section,
                                        QByteArrayView key) {
    TextLines lines(content.sliced(TextLines::byteOrderMarkSize(content)));
    if (!findSection(lines, section))
        return std::nullopt;
    while (const auto line = lines.next()) {
        if (sectionName(line->text))
            break;
        const KeyLine entry = keyLine(line->text);
        if (!entry.key.isEmpty() && namesEqual(entry.key, key))
            return withoutQuotes(entry.value);
    }
    return std::nullopt;
}

QByteArrayView cutAtNul(QByteArrayView value) {
    const qsizetype nul = value.indexOf('\0');
    return nul < 0 ? value : value.first(nul);
}

// A value that reading would change (blanks around it, or quotes around it, as a password may
// have) is written in double quotes, which reading removes again: it reads back as it was given.
QByteArray storedForm(QByteArrayView value) {
    if (withoutQuotes(trimmed(value)) == value)
        return value.toByteArray();
    return '"' + value.toByteArray() + '"';
}

// The content, then a new section that holds only the line.
QByteArray withSectionAdded(QByteArray result, QByteArrayView content, QByteArrayView section,
                            const QByteArray& line) {
    result.append(content);
    if (!content.isEmpty() && !TextLines::isLineEnd(content.back()))
        result.append(lineEnd);
    result.append('[').append(section).append(']').append(lineEnd);
    return result.append(line).append(lineEnd);
}

QByteArray withValue(QByteArrayView file, QByteArrayView section, QByteArrayView key,
                     QByteArrayView givenValue) {
    const QByteArray value = storedForm(givenValue);
    const QByteArray newLine = key.toByteArray() + '=' + value;
    QByteArray result;
    result.reserve(file.size() + newLine.size() + section.size() + 8);
    result.append(file.first(TextLines::byteOrderMarkSize(file)));
    const QByteArrayView content = file.sliced(TextLines::byteOrderMarkSize(file));

    TextLines lines(content);
    const auto header = findSection(lines, section);
    if (!header)
        return withSectionAdded(std::move(result), content, section, newLine);

    // The key's line keeps its own line end. Lines added to a file end in CR LF whatever the file's
    // other lines end in, as every line that the Windows functions write does; a file of lone-CR
    // lines then holds both kinds, and reads the same. A missing key goes after the section's last
    // non-blank line, before any blank lines that separate it from the next section.
    TextLine insertAfter = *header;
    while (const auto line = lines.next()) {
        if (sectionName(line->text))
            break;
        const KeyLine entry = keyLine(line->text);
        if (!entry.key.isEmpty() && namesEqual(entry.key, key)) {
            result.append(content.first(line->start));
            result.append(entry.key).append('=').append(value);
            return result.append(content.sliced(line->start + line->text.size()));
        }
        if (!trimmed(line->text).isEmpty())
            insertAfter = *line;
    }
    result.append(content.first(insertAfter.end));
    if (!insertAfter.terminated)
        result.append(lineEnd);
    result.append(newLine).append(lineEnd);
    return result.append(content.sliced(insertAfter.end));
}

// Sets each entry whose value differs from the one reading finds; false when none does. An entry
// that is already there leaves its line as it is, however it is written, so that a save of
// unchanged settings leaves a file edited by hand byte for byte.
bool withEntries(QByteArray& content, QByteArrayView section, const QList<Entry>& entries) {
    bool changed = false;
    for (const auto& [key, value] : entries) {
        const auto current = readValue(content, section, key);
        if (current && cutAtNul(*current) == value)
            continue;
        content = withValue(content, section, key, value);
        changed = true;
    }
    return changed;
}

// The file opened for reading when it is a regular one, and what fstat says of it; -1 otherwise,
// and then problem says why a file that exists could not be. A pipe in its place is opened
// without waiting for a writer, which could be forever.
int openRegularFile(const QString& path, struct stat& info, QString& problem) {
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno != ENOENT && errno != ENOTDIR)
            problem = systemReason(errno);
        return -1;
    }
    const bool known = ::fstat(fd, &info) == 0;
    const int error = errno;
    if (known && S_ISREG(info.st_mode))
        return fd;
    problem = !known                  ? systemReason(error)
              : S_ISDIR(info.st_mode) ? systemReason(EISDIR)
                                      : QStringLiteral("通常のファイルではありません。");
    ::close(fd);
    return -1;
}

// Fills content from the file, cut where the file ends first; false, with problem saying why,
// when reading fails.
bool fill(int fd, QByteArray& content, QString& problem) {
    qsizetype filled = 0;
    while (filled < content.size()) {
        const ssize_t got =
            ::read(fd, content.data() + filled, static_cast<size_t>(content.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            problem = systemReason(errno);
            return false;
        }
        if (got == 0)
            break;
        filled += got;
    }
    content.truncate(filled);
    return true;
}

// At most limit bytes of the file; empty when it is missing or cannot be read, and then problem
// says why a file that exists could not be. Only a regular file is read.
QByteArray readUpTo(const QString& path, qsizetype limit, QString& problem) {
    problem.clear();
    struct stat info = {};
    const int fd = openRegularFile(path, info, problem);
    if (fd < 0)
        return {};
    // Into a buffer of the file's size: a buffer of the whole limit, however small the file, would
    // not fit a process short of address space. A file that grows meanwhile is read to the size it
    // had.
    QByteArray content(std::clamp<qint64>(info.st_size, 0, limit), Qt::Uninitialized);
    const bool read = fill(fd, content, problem);
    ::close(fd);
    return read ? content : QByteArray();
}

// The whole file for a rewrite, which a file larger than maxBytes never gets.
QByteArray readWhole(const QString& path, qsizetype maxBytes, QString& problem) {
    QByteArray content = readUpTo(path, maxBytes + 1, problem);
    if (content.size() > maxBytes) {
        problem = QStringLiteral("ファイルが大きすぎます（%1 バイトまで）。").arg(maxBytes);
        return {};
    }
    return content;
}

// Where a save of a file writes. A link to a settings file stays a link: the file it points to is
// replaced.
struct Target {
    QByteArray finalName;
    QByteArray newName;
    QByteArray folder;
};

Target targetOf(const QString& path) {
    QFileInfo info(path);
    for (int depth = 0; depth < 40 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    const QByteArray finalName = QFile::encodeName(info.filePath());
    return {finalName, finalName + ".new", QFile::encodeName(info.absolutePath())};
}

// Waits for the lock of a save until the deadline, asking again and again rather than blocking, so
// that the wait ends in time.
bool lockWithin(int fd, const QDeadlineTimer& deadline, QString& problem) {
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        const int error = errno;
        if (error != EWOULDBLOCK && error != EINTR) {
            problem = systemReason(error);
            return false;
        }
        if (deadline.hasExpired()) {
            problem = QStringLiteral("ほかのプログラムがこのファイルを保存中です。"
                                     "しばらくしてからもう一度保存してください。");
            return false;
        }
        if (error == EWOULDBLOCK)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Opens "<file>.new" locked, or says why it cannot. Every save takes this lock before it reads the
// file, so that two saves at the same moment neither write into one file nor lose each other's
// change; the lock counts only while the name still refers to the locked file, as the save that
// held it before may have renamed it into the file's place or removed it.
int openLockedNewFile(const QByteArray& name, mode_t mode, QString& problem) {
    problem.clear();
    const QDeadlineTimer deadline(lockWait);
    for (;;) {
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd < 0) {
            problem = systemReason(errno);
            return -1;
        }
        struct stat held = {}, named = {};
        if (!lockWithin(fd, deadline, problem) || ::fstat(fd, &held) != 0) {
            if (problem.isEmpty())
                problem = systemReason(errno);
            ::close(fd);
            return -1;
        }
        if (::stat(name.constData(), &named) == 0 && named.st_dev == held.st_dev &&
            named.st_ino == held.st_ino)
            return fd;
        ::close(fd);
    }
}

// Removes the locked new file of a save that writes nothing, and ends the save.
void discardNewFile(int fd, const Target& target) {
    ::unlink(target.newName.constData());
    ::close(fd);
}

bool writeAll(int fd, QByteArrayView bytes) {
    while (!bytes.isEmpty()) {
        const ssize_t written = ::write(fd, bytes.data(), static_cast<size_t>(bytes.size()));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes = bytes.sliced(written);
    }
    return true;
}

// Writes content into the locked new file and renames it into the file's place; ends the save.
std::optional<QString> commitNewFile(int fd, const Target& target, QByteArrayView content,
                                     Access access) {
    // A stray new file is reused, so its permissions are set anew: private ones before the
    // password goes in, or those of the file it replaces.
    struct stat old = {};
    bool done = ::ftruncate(fd, 0) == 0;
    if (done && access == Access::OwnerOnly)
        done = ::fchmod(fd, 0600) == 0;
    else if (done && ::stat(target.finalName.constData(), &old) == 0 && S_ISREG(old.st_mode))
        done = ::fchmod(fd, old.st_mode & 07777) == 0;
    done = done && writeAll(fd, content) && ::fsync(fd) == 0 &&
           ::rename(target.newName.constData(), target.finalName.constData()) == 0;
    const int error = errno;
    if (!done) {
        discardNewFile(fd, target);
        return systemReason(error);
    }
    ::close(fd);
    // The rename reaches the disk with the folder. Should that fail, the save still succeeded:
    // every reader already sees the new content, and a message that it was lost would be false.
    const int folder = ::open(target.folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return std::nullopt;
}

mode_t creationMode(Access access) {
    return access == Access::OwnerOnly ? 0600 : 0666;
}

} // namespace

QByteArray readString(const QString& path, QByteArrayView section, QByteArrayView key,
                      QByteArrayView defaultValue, qsizetype bufferSize, QString* problem,
                      TextEncoding* encoding) {
    const QByteArray content = readFileHead(path, problem);
    const TextEncoding fileEncoding = TextEncoding::of(content);
    if (encoding)
        *encoding = fileEncoding;
    const QByteArrayView value = cutAtNul(readValue(content, section, key).value_or(defaultValue));
    return fileEncoding.wholeCharacterPrefix(value, qMax<qsizetype>(bufferSize - 1, 0))
        .toByteArray();
}

int readInt(const QString& path, QByteArrayView section, QByteArrayView key, int defaultValue,
            QString* problem) {
    const QByteArray text = readString(path, section, key, {}, maxProfileFileBytes, problem);
    if (text.isEmpty())
        return defaultValue;
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    // Digits past the 32-bit range wrap, as they do in the Windows function.
    quint32 number = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        number = number * 10u + static_cast<quint32>(text[i] - '0');
    return static_cast<int>(negative ? 0u - number : number);
}

std::optional<QString> writeStrings(const QString& path, QByteArrayView section,
                                    const QList<Entry>& entries, Access access) {
    return rewriteFile(
        path, maxProfileFileBytes,
        [&](QByteArrayView current) -> std::optional<QByteArray> {
            QByteArray content = current.toByteArray();
            if (!withEntries(content, section, entries))
                return std::nullopt;
            return content;
        },
        access);
}

QByteArray readFileHead(const QString& path, QString* problem, qsizetype limit) {
    QString reason;
    QByteArray content = readUpTo(path, limit, reason);
    if (problem)
        *problem = reason;
    return content;
}

std::optional<QString> rewriteFile(const QString& path, qsizetype maxBytes, const Edit& edit,
                                   Access access) {
    // A save that changes nothing writes nothing, so it needs no lock either: the file keeps its
    // bytes and its time, and a folder that cannot be written is no obstacle. A save replaces the
    // file whole, so a read without the lock sees one save's file or another's.
    QString problem;
    QByteArray content = readWhole(path, maxBytes, problem);
    if (!problem.isEmpty())
        return problem;
    if (!edit(content))
        return std::nullopt;

    // Read again under the lock: a save by another program since then is kept.
    const Target target = targetOf(path);
    const int fd = openLockedNewFile(target.newName, creationMode(access), problem);
    if (fd < 0)
        return problem;
    content = readWhole(path, maxBytes, problem);
    const std::optional<QByteArray> edited =
        problem.isEmpty() ? edit(content) : std::optional<QByteArray>();
    if (!edited) {
        discardNewFile(fd, target);
        return problem.isEmpty() ? std::nullopt : std::optional(problem);
    }
    return commitNewFile(fd, target, *edited, access);
}

} // namespace ProfileFile
