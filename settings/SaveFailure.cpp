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
    return {QStringLiteral("「%1」に保存できない文字（%2）があります。\n"
                           "この文字を除いてから、もう一度保存してください。")
                .arg(fieldName, characters)};
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
