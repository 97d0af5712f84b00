#include "settings/ServerSettingsFile.h"

#include "settings/ReadProblems.h"

#include "platform/CodePage932.h"
#include "platform/ProfileFile.h"

#include <QFileInfo>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

constexpr qsizetype prefixLength = 5;
constexpr qsizetype maxValueLength = 100;
// Enough bytes of a line for its prefix and 100 characters of value, however they are encoded.
constexpr qsizetype maxLineBytes = 1024;

// Lines end at CR LF, at a lone CR, or at a lone LF (files edited with Linux tools).
QList<QByteArrayView> splitLines(QByteArrayView content) {
    QList<QByteArrayView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < content.size(); ++i) {
        const char c = content[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.append(content.sliced(start, i - start));
        if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < content.size())
        lines.append(content.sliced(start));
    return lines;
}

void applyLine(SettingsStore& store, QByteArrayView line) {
    const QString text = CodePage932::decode(line.first(qMin(line.size(), maxLineBytes)));
    const QStringView prefix = QStringView(text).left(prefixLength);
    const QString value = text.mid(prefixLength, maxValueLength);
    if (prefix == u"SMTP=")
        store.SmtpServer = value;
    else if (prefix == u"POP3=")
        store.Pop3Server = value;
    else if (prefix == u"MAIL=")
        store.MailAddress = value;
    else if (prefix == u"APOP=")
        store.ApopFlag = ApopFlagFromText(value);
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

qint16 ApopFlagFromText(QStringView text) {
    const double rounded = std::nearbyint(leadingNumber(text)); // ties to even
    if (!std::isfinite(rounded) || rounded < std::numeric_limits<qint16>::min() ||
        rounded > std::numeric_limits<qint16>::max())
        return 1;
    return static_cast<qint16>(rounded);
}

void LoadServerSettings(SettingsStore& store) {
    const QString path = QFileInfo(QString::fromLatin1(serverSettingsFileName)).absoluteFilePath();
    QString problem;
    const QByteArray content = ProfileFile::readFileHead(path, &problem);
    if (!problem.isEmpty())
        noteReadProblem(path, problem);
    for (const QByteArrayView line : splitLines(content))
        applyLine(store, line);
}

SaveResult SaveServerSettings(const SettingsStore& store) {
    const std::pair<QString, const QString*> texts[] = {
        {QStringLiteral("SMTPサーバー名"), &store.SmtpServer},
        {QStringLiteral("POP3サーバー名"), &store.Pop3Server},
        {QStringLiteral("メールアドレス"), &store.MailAddress},
    };
    for (const auto& [fieldName, text] : texts)
        if (auto failure = checkStorable(fieldName, *text))
            return failure;

    const auto line = [](const char* prefix, const QString& value) {
        return QByteArray(prefix) + *CodePage932::encode(value) + "\r\n";
    };
    const QByteArray content = line("SMTP=", store.SmtpServer) + line("POP3=", store.Pop3Server) +
                               line("MAIL=", store.MailAddress) +
                               line("APOP=", QString::number(store.ApopFlag));

    const QString path = QFileInfo(QString::fromLatin1(serverSettingsFileName)).absoluteFilePath();
    if (auto reason = ProfileFile::replaceFile(path, content, ProfileFile::Access::Shared))
        return SaveFailure::cannotWrite(path, *reason);
    return std::nullopt;
}
