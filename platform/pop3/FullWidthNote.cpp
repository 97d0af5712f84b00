#include "platform/pop3/FullWidthNote.h"

namespace {

constexpr char16_t ideographicSpace = 0x3000;

bool isFullWidth(QChar c) {
    return (c.unicode() >= 0xFF01 && c.unicode() <= 0xFF5E) || c.unicode() == ideographicSpace;
}

// The first full-width character of text as the user can recognise it, or nothing.
QString firstFullWidth(const QString& text) {
    for (const QChar c : text)
        if (isFullWidth(c))
            return c.unicode() == ideographicSpace ? QStringLiteral("全角スペース") : QString(c);
    return {};
}

} // namespace

QString fullWidthNote(const QString& id, const QString& password) {
    const QString inId = firstFullWidth(id);
    const bool inPassword = !firstFullWidth(password).isEmpty();
    QString where;
    if (!inId.isEmpty() && inPassword)
        where = QStringLiteral("IDとパスワードに全角文字（IDの %1 など）").arg(inId);
    else if (!inId.isEmpty())
        where = QStringLiteral("IDに全角文字（%1 など）").arg(inId);
    else if (inPassword)
        where = QStringLiteral("パスワードに全角文字");
    else
        return {};
    return where + QStringLiteral("が含まれています。半角で入力してください。");
}
