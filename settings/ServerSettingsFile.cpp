#include "settings/ServerSettingsFile.h"

#include "settings/ReadProblems.h"

#include "platform/CodePage932.h"
#include "platform/ProfileFile.h"
#include "platform/TextLines.h"

#include <QFileInfo>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

constexpr qsizetype prefixLength = 5;
// Enough bytes of a line for its prefix and 100 characters of value, however they are encoded.
constexpr qsizetype maxLineBytes = 1024;
// Four lines of 100 characters take well under a kilobyte: a larger file is not one the program
// wrote, and reading it at all would only cost memory and time.
constexpr qsizetype maxFileBytes = 16 * 1024;

// The file's lines, after a byte-order mark; their positions are in content.
QList<TextLine> splitLines(QByteArrayView content) {
    QList<TextLine> lines;
    TextLines reader(content, TextLines::byteOrderMarkSize(content));
    while (const auto line = reader.next())
        lines.append(*line);
    return lines;
}

struct Field {
    QByteArrayView prefix;
    QString SettingsStore::*text; // none for "APOP="
};
const Field fields[] = {{"SMTP=", &SettingsStore::SmtpServer},
                        {"POP3=", &SettingsStore::Pop3Server},
                        {"MAIL=", &SettingsStore::MailAddress},
                        {"APOP=", nullptr}};

// The value of a line as the program reads it: at most 100 characters.
QString valueOf(QByteArrayView line, bool* valid = nullptr) {
    const QString text =
        CodePage932::decode(CodePage932::wholeCharacterPrefix(line, maxLineBytes), valid);
    return text.mid(prefixLength, serverSettingsValueLength);
}

// The line of the field that reading takes: the last one.
std::optional<TextLine> lineOf(const QList<TextLine>& lines, QByteArrayView prefix) {
    std::optional<TextLine> found;
    for (const TextLine& line : lines)
        if (line.text.startsWith(prefix))
            found = line;
    return found;
}

QString filePath() {
    return QFileInfo(QString::fromLatin1(serverSettingsFileName)).absoluteFilePath();
}

// The file as far as the program reads it; empty when it cannot be read or is too large to be
// one of the program's, and then the problem is noted when asked for (a save says its own).
QByteArray readFile(const QString& path, bool noteProblem) {
    QString problem;
    QByteArray content = ProfileFile::readFileHead(path, &problem, maxFileBytes + 1);
    if (problem.isEmpty() && content.size() > maxFileBytes)
        problem =
            QStringLiteral("ファイルが大きすぎます（%1 KiB まで）。").arg(maxFileBytes / 1024);
    if (problem.isEmpty())
        return content;
    if (noteProblem)
        noteReadProblem(path, problem);
    return {};
}

// The decimal number that text begins with after blanks: sign, digits, fraction and exponent.
double leadingNumber(QStringView text) {
    qsizetype i = 0;
    const auto digitsFrom = [&](qsizetype at) {
        while (at < text.size() && text[at].isDigit() && text[at].unicode() < 0x80)
            ++at;
        return at;
    };
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    i = digitsFrom(i);
    if (i < text.size() && text[i] == u'.')
        i = digitsFrom(i + 1);
    if (i < text.size() && QStringLiteral("eEdD").contains(text[i])) {
        qsizetype exponent = i + 1;
        if (exponent < text.size() && (text[exponent] == u'+' || text[exponent] == u'-'))
            ++exponent;
        if (const qsizetype end = digitsFrom(exponent); end > exponent)
            i = end;
    }
    QByteArray number = text.sliced(start, i - start).toLatin1().toLower().replace('d', 'e');
    if (number.startsWith('+'))
        number.remove(0, 1);
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.cbegin(), number.cend(), value);
    if (error == std::errc::result_out_of_range)
        return number.contains("e-") ? 0.0 : std::numeric_limits<double>::infinity();
    return end == number.cbegin() ? 0.0 : value;
}

} // namespace

qint16 apopFlagFromText(QStringView text) {
    const double rounded = std::nearbyint(leadingNumber(text)); // ties to even
    if (!std::isfinite(rounded) || rounded < std::numeric_limits<qint16>::min() ||
        rounded > std::numeric_limits<qint16>::max())
        return 1;
    return static_cast<qint16>(rounded);
}

void LoadServerSettings(SettingsStore& store) {
    const QString path = filePath();
    const QByteArray content = readFile(path, true);
    const QList<TextLine> lines = splitLines(content);
    bool allValid = true;
    for (const auto& [prefix, text] : fields) {
        const auto line = lineOf(lines, prefix);
        if (!line)
            continue;
        bool valid = true;
        const QString value = valueOf(line->text, &valid);
        allValid = allValid && valid;
        if (text)
            store.*text = value;
        else
            store.ApopFlag = apopFlagFromText(value);
    }
    if (!allValid)
        noteUnreadableText(path);
}

SaveResult SaveServerSettings(const SettingsStore& store) {
    const QString path = filePath();
    const bool missing = !QFileInfo::exists(path);
    QByteArray content = readFile(path, false);
    if (content.isEmpty())
        content = "SMTP=\r\nPOP3=\r\nMAIL=\r\nAPOP=0\r\n";
    const QByteArray before = content;
    const std::pair<QString, const QString*> names[] = {
        {QStringLiteral("SMTPサーバー名"), &store.SmtpServer},
        {QStringLiteral("POP3サーバー名"), &store.Pop3Server},
        {QStringLiteral("メールアドレス"), &store.MailAddress},
    };
    // Only a value that changed is written: the others keep their bytes, whatever they are, and
    // so do the lines the program does not read.
    for (qsizetype i = 0; i < 4; ++i) {
        const auto& [prefix, text] = fields[i];
        const auto line = lineOf(splitLines(content), prefix);
        const QString current = line ? valueOf(line->text) : QString();
        const QString wanted = text ? store.*text : QString::number(store.ApopFlag);
        if (text ? wanted == current : apopFlagFromText(current) == store.ApopFlag)
            continue;
        if (text)
            if (auto failure = checkStorable(names[i].first, wanted))
                return failure;
        const QByteArray newLine = prefix.toByteArray() + *CodePage932::encode(wanted);
        if (line) {
            content.replace(line->start, line->text.size(), newLine);
        } else {
            if (!content.endsWith('\n') && !content.endsWith('\r'))
                content += "\r\n";
            content += newLine + "\r\n";
        }
    }
    if (content == before && !missing)
        return std::nullopt;
    if (auto reason = ProfileFile::replaceFile(path, content, ProfileFile::Access::Shared))
        return SaveFailure::cannotWrite(path, *reason);
    return std::nullopt;
}
