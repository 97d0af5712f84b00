#include "platform/ProfileFile.h"

#include "platform/CodePage932.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ProfileFile {
namespace {

constexpr QByteArrayView lineEnd = "\r\n";

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

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// One line of a file: its text without the line end, and where the line (with its end) lies.
struct Line {
    QByteArrayView text;
    qsizetype start = 0;
    qsizetype end = 0;
    bool terminated = false;
};

// Lines end at CR LF, at a lone LF (files edited with Linux tools) and, as on Windows, at a lone CR
// (files from old Mac editors).
class Lines {
public:
    explicit Lines(QByteArrayView content) : m_content(content) {}

    std::optional<Line> next() {
        if (m_position >= m_content.size())
            return std::nullopt;
        Line line;
        line.start = m_position;
        const auto textEnd =
            std::find_if(m_content.begin() + m_position, m_content.end(), isLineEnd);
        line.text = m_content.sliced(line.start, textEnd - m_content.begin() - line.start);
        line.end = line.start + line.text.size();
        line.terminated = line.end < m_content.size();
        if (line.terminated)
            line.end += m_content.sliced(line.end).startsWith("\r\n") ? 2 : 1;
        m_position = line.end;
        return line;
    }

private:
    QByteArrayView m_content;
    qsizetype m_position = 0;
};

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

std::optional<Line> findSection(Lines& lines, QByteArrayView section) {
    while (const auto line = lines.next()) {
        const auto name = sectionName(line->text);
        if (name && namesEqual(*name, section))
            return line;
    }
    return std::nullopt;
}

std::optional<QByteArray> readValue(QByteArrayView content, QByteArrayView section,
                                    QByteArrayView key) {
    Lines lines(content);
    if (!findSection(lines, section))
        return std::nullopt;
    while (const auto line = lines.next()) {
        if (sectionName(line->text))
            break;
        const KeyLine entry = keyLine(line->text);
        if (!entry.key.isEmpty() && namesEqual(entry.key, key))
            return withoutQuotes(entry.value).toByteArray();
    }
    return std::nullopt;
}

// A value that reading would change (blanks around it, or quotes around it, as a password may
// have) is written in double quotes, which reading removes again: it reads back as it was given.
QByteArray storedForm(QByteArrayView value) {
    if (withoutQuotes(trimmed(value)) == value)
        return value.toByteArray();
    return '"' + value.toByteArray() + '"';
}

QByteArray withValue(QByteArrayView content, QByteArrayView section, QByteArrayView key,
                     QByteArrayView givenValue) {
    const QByteArray value = storedForm(givenValue);
    const QByteArray newLine = key.toByteArray() + '=' + value;
    QByteArray result;
    result.reserve(content.size() + newLine.size() + section.size() + 8);

    Lines lines(content);
    const auto header = findSection(lines, section);
    if (!header) {
        result.append(content);
        if (!content.isEmpty() && !isLineEnd(content.back()))
            result.append(lineEnd);
        result.append('[').append(section).append(']').append(lineEnd);
        return result.append(newLine).append(lineEnd);
    }

    // The key's line keeps its own line end. Lines added to a file end in CR LF whatever the file's
    // other lines end in, as every line that the Windows functions write does; a file of lone-CR
    // lines then holds both kinds, and reads the same. A missing key goes after the section's last
    // non-blank line, before any blank lines that separate it from the next section.
    Line insertAfter = *header;
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

// At most limit bytes of the file; empty when it is missing or cannot be read, and then problem
// says why a file that exists could not be. Only a regular file is opened: opening a pipe could
// wait forever.
QByteArray readUpTo(const QString& path, qsizetype limit, QString& problem) {
    problem.clear();
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    if (!info.isFile()) {
        problem = info.isDir() ? QStringLiteral("a folder has the file's name")
                               : QStringLiteral("it is not a regular file");
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        problem = file.errorString();
        return {};
    }
    // Into a buffer of the file's size: QIODevice::read(limit) sets aside the whole limit at once
    // (and Qt rounds that up), however small the file, and a process short of address space could
    // not read it at all. A file that grows meanwhile is read to the size it had.
    QByteArray content(qBound<qint64>(0, file.size(), limit), Qt::Uninitialized);
    content.truncate(qMax<qint64>(file.read(content.data(), content.size()), 0));
    if (file.error() != QFileDevice::NoError) {
        problem = file.errorString();
        return {};
    }
    return content;
}

// A link to a settings file stays a link: the file it points to is replaced.
QString linkTarget(const QString& path) {
    QFileInfo info(path);
    for (int depth = 0; depth < 40 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.filePath();
}

// Opens "<file>.new" locked. Every save takes this lock, so two saves at the same moment never
// write into one file; the lock counts only while the name still refers to the locked file, as the
// save that held it before may have renamed it into the file's place.
int openLockedNewFile(const QByteArray& name, mode_t mode) {
    for (;;) {
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd < 0)
            return -1;
        int locked;
        do
            locked = ::flock(fd, LOCK_EX);
        while (locked != 0 && errno == EINTR);
        struct stat held = {}, named = {};
        if (locked != 0 || ::fstat(fd, &held) != 0) {
            const int error = errno;
            ::close(fd);
            errno = error;
            return -1;
        }
        if (::stat(name.constData(), &named) == 0 && named.st_dev == held.st_dev &&
            named.st_ino == held.st_ino)
            return fd;
        ::close(fd);
    }
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

} // namespace

QByteArray readString(const QString& path, QByteArrayView section, QByteArrayView key,
                      QByteArrayView defaultValue, qsizetype bufferSize, QString* problem) {
    const QByteArray content = readFileHead(path, problem);
    const std::optional<QByteArray> found = readValue(content, section, key);
    QByteArrayView value = found ? QByteArrayView(*found) : defaultValue;
    const qsizetype nul = value.indexOf('\0');
    if (nul >= 0)
        value = value.first(nul);
    return CodePage932::wholeCharacterPrefix(value, qMax<qsizetype>(bufferSize - 1, 0))
        .toByteArray();
}

int readInt(const QString& path, QByteArrayView section, QByteArrayView key, int defaultValue,
            QString* problem) {
    const QByteArray text = readString(path, section, key, {}, maxFileBytes, problem);
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
    QString problem;
    QByteArray content = readUpTo(path, maxFileBytes + 1, problem);
    if (!problem.isEmpty())
        return problem;
    if (content.size() > maxFileBytes)
        return QStringLiteral("the file is larger than %1 bytes").arg(maxFileBytes);
    for (const auto& [key, value] : entries)
        content = withValue(content, section, key, value);
    return replaceFile(path, content, access);
}

QByteArray readFileHead(const QString& path, QString* problem) {
    QString reason;
    QByteArray content = readUpTo(path, maxFileBytes, reason);
    if (problem)
        *problem = reason;
    return content;
}

std::optional<QString> replaceFile(const QString& path, QByteArrayView content, Access access) {
    const QByteArray finalName = QFile::encodeName(linkTarget(path));
    const QByteArray newName = finalName + ".new";
    const int fd = openLockedNewFile(newName, access == Access::OwnerOnly ? 0600 : 0666);
    if (fd < 0)
        return qt_error_string(errno);
    // A stray new file is reused, so its permissions are set anew: private ones before the
    // password goes in, or those of the file it replaces.
    struct stat old = {};
    bool done = ::ftruncate(fd, 0) == 0;
    if (done && access == Access::OwnerOnly)
        done = ::fchmod(fd, 0600) == 0;
    else if (done && ::stat(finalName.constData(), &old) == 0 && S_ISREG(old.st_mode))
        done = ::fchmod(fd, old.st_mode & 07777) == 0;
    done = done && writeAll(fd, content) && ::fsync(fd) == 0 &&
           ::rename(newName.constData(), finalName.constData()) == 0;
    const int error = errno;
    if (!done)
        ::unlink(newName.constData());
    ::close(fd);
    if (!done)
        return qt_error_string(error);
    return std::nullopt;
}

} // namespace ProfileFile
