#include "settings/ServerSettingsFile.h"

#include "settings/ReadProblems.h"

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
constexpr qsizetype maxServerSettingsFileBytes = 16 * 1024;

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
QString valueOf(QByteArrayView line, TextEncoding encoding, bool* valid = nullptr) {
    const QString text = encoding.decode(encoding.wholeCharacterPrefix(line, maxLineBytes), valid);
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

// The file as far as the program reads it; empty, with the problem noted, when it cannot be read
// or is too large to be one of the program's.
QByteArray readFile(const QString& path) {
    QString problem;
    QByteArray content = ProfileFile::readFileHead(path, &problem, maxServerSettingsFileBytes + 1);
    if (problem.isEmpty() && content.size() > maxServerSettingsFileBytes)
        problem = QStringLiteral("ファイルが大きすぎます（%1 KiB まで）。")
                      .arg(maxServerSettingsFileBytes / 1024);
    if (problem.isEmpty())
        return content;
    noteReadProblem(path, problem);
    return {};
}

// Whether the field's line already reads as value.
bool holds(QByteArrayView content, const Field& field, const QString& value) {
    const auto line = lineOf(splitLines(content), field.prefix);
    const QString current = line ? valueOf(line->text, TextEncoding::of(content)) : QString();
    return field.text ? value == current : apopFlagFromText(current) == apopFlagFromText(value);
}

// The content with the line of the field set to value, in the file's encoding, which holds it.
QByteArray withField(QByteArray content, const Field& field, const QString& value) {
    const auto line = lineOf(splitLines(content), field.prefix);
    const QByteArray newLine =
        field.prefix.toByteArray() + TextEncoding::of(content).encode(value).value();
    if (line) {
        content.replace(line->start, line->text.size(), newLine);
    } else {
        if (!content.endsWith('\n') && !content.endsWith('\r'))
            content += "\r\n";
        content += newLine + "\r\n";
    }
    return content;
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
    const QByteArray content = readFile(path);
    const TextEncoding encoding = TextEncoding::of(content);
    const QList<TextLine> lines = splitLines(content);
    bool allValid = true;
    for (const auto& [prefix, text] : fields) {
        const auto line = lineOf(lines, prefix);
        if (!line)
            continue;
        bool valid = true;
        const QString value = valueOf(line->text, encoding, &valid);
        allValid = allValid && valid;
        if (text)
            store.*text = value;
        else
            store.ApopFlag = apopFlagFromText(value);
    }
    if (!allValid)
        noteUnreadableText(path);
}

SaveResult SaveServerSettings(const ServerSettingsChanges& changes) {
    const std::optional<QString> values[] = {
        changes.SmtpServer, changes.Pop3Server, changes.MailAddress,
        changes.ApopFlag ? std::optional(QString::number(*changes.ApopFlag)) : std::nullopt};
    const QString names[] = {QStringLiteral("SMTPサーバー名"), QStringLiteral("POP3サーバー名"),
                             QStringLiteral("メールアドレス"), QStringLiteral("APOP")};
    const QString path = filePath();
    // A new file gets the four lines even when nothing changed; an empty one only with a change.
    const bool missing = !QFileInfo::exists(path);
    SaveResult failure;
    const auto edit = [&](QByteArrayView current) -> std::optional<QByteArray> {
        const QByteArray base = current.isEmpty()
                                    ? QByteArray("SMTP=\r\nPOP3=\r\nMAIL=\r\nAPOP=0\r\n")
                                    : current.toByteArray();
        QByteArray content = base;
        for (qsizetype i = 0; i < 4; ++i) {
            if (!values[i] || holds(content, fields[i], *values[i]))
                continue;
            if ((failure = checkStorable(names[i], *values[i], TextEncoding::of(content))))
                return std::nullopt;
            content = withField(content, fields[i], *values[i]);
        }
        if (content == current || (content == base && !missing))
            return std::nullopt;
        return content;
    };
    if (auto reason = ProfileFile::rewriteFile(path, maxServerSettingsFileBytes, edit,
                                               ProfileFile::Access::Shared))
        return SaveFailure::cannotWrite(path, *reason);
    return failure;
}
