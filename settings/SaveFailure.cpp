#include "settings/SaveFailure.h"

#include <QDir>

// Names stand on lines of their own, so that a long one wraps there and never inside a sentence.
SaveFailure SaveFailure::cannotWrite(const QString& path, const QString& reason) {
    return {QStringLiteral("設定ファイルに保存できませんでした。\n%1\n%2")
                .arg(QDir::toNativeSeparators(path), reason)};
}

SaveFailure SaveFailure::cannotCreateFolder(const QString& path) {
    return {QStringLiteral("設定フォルダを作成できませんでした。\n%1")
                .arg(QDir::toNativeSeparators(path))};
}

SaveFailure SaveFailure::fileInPlaceOfFolder(const QString& path) {
    return {QStringLiteral("設定フォルダを作成できませんでした。\n"
                           "同じ名前のファイルがあります。移動するか名前を変えてください。\n%1")
                .arg(QDir::toNativeSeparators(path))};
}

SaveFailure SaveFailure::cannotStore(const QString& fieldName, const QString& characters) {
    QString advice;
    for (const QString& character : characters.split(QStringLiteral("、")))
        if (const QString lookAlike = storableLookAlike(character); !lookAlike.isEmpty())
            advice += QStringLiteral("「%1」の代わりに「%2」を入力してください。")
                          .arg(character, lookAlike);
    if (advice.isEmpty())
        advice = QStringLiteral("この文字を除いてから、もう一度保存してください。");
    return {QStringLiteral("「%1」に保存できない文字（%2）があります。\n%3")
                .arg(fieldName, characters, advice)};
}

QString storableLookAlike(const QString& character) {
    // Input methods on Linux type these from the Unicode tables, where code page 932 has the
    // full-width forms that Windows would have typed.
    static const std::pair<char16_t, char16_t> lookAlikes[] = {
        {u'\u301C', u'\uFF5E'}, // WAVE DASH → FULLWIDTH TILDE
        {u'\u2212', u'\uFF0D'}, // MINUS SIGN → FULLWIDTH HYPHEN-MINUS
        {u'\u2016', u'\u2225'}, // DOUBLE VERTICAL LINE → PARALLEL TO
        {u'\u2014', u'\u2015'}, // EM DASH → HORIZONTAL BAR
        {u'\u00A2', u'\uFFE0'}, // CENT SIGN → FULLWIDTH CENT SIGN
        {u'\u00A3', u'\uFFE1'}, // POUND SIGN → FULLWIDTH POUND SIGN
        {u'\u00AC', u'\uFFE2'}, // NOT SIGN → FULLWIDTH NOT SIGN
    };
    for (const auto& [typed, stored] : lookAlikes)
        if (character == QChar(typed))
            return QString(QChar(stored));
    return {};
}

QString unstorableCharacters(const QString& text, TextEncoding encoding) {
    QString found;
    for (const char32_t codePoint : text.toUcs4()) {
        const QString character = QString::fromUcs4(&codePoint, 1);
        const bool lineBreak = codePoint == '\r' || codePoint == '\n';
        const bool storable = !lineBreak && codePoint != 0 && encoding.encode(character);
        const QString shown = lineBreak        ? QStringLiteral("改行")
                              : codePoint == 0 ? QStringLiteral("NUL")
                                               : character;
        if (!storable && !found.split(QStringLiteral("、")).contains(shown))
            found += found.isEmpty() ? shown : QStringLiteral("、") + shown;
    }
    return found;
}

std::optional<SaveFailure> checkStorable(const QString& fieldName, const QString& text,
                                         TextEncoding encoding) {
    const QString characters = unstorableCharacters(text, encoding);
    if (characters.isEmpty())
        return std::nullopt;
    return SaveFailure::cannotStore(fieldName, characters);
}
