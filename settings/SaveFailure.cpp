#include "settings/SaveFailure.h"

#include "platform/CodePage932.h"

#include <QDir>

SaveFailure SaveFailure::cannotWrite(const QString& path, const QString& reason) {
    return {QStringLiteral("設定ファイル「%1」に保存できませんでした。\n%2")
                .arg(QDir::toNativeSeparators(path), reason)};
}

SaveFailure SaveFailure::cannotCreateFolder(const QString& path) {
    return {QStringLiteral("設定フォルダ「%1」を作成できませんでした。")
                .arg(QDir::toNativeSeparators(path))};
}

SaveFailure SaveFailure::cannotStore(const QString& fieldName, const QString& characters) {
    return {QStringLiteral("「%1」に保存できない文字（%2）があります。\n"
                           "この文字を除いてから、もう一度保存してください。")
                .arg(fieldName, characters)};
}

QString unstorableCharacters(const QString& text) {
    QString found;
    for (const char32_t codePoint : text.toUcs4()) {
        const QString character = QString::fromUcs4(&codePoint, 1);
        const bool lineBreak = codePoint == '\r' || codePoint == '\n';
        const bool storable = !lineBreak && codePoint != 0 && CodePage932::encode(character);
        const QString shown = lineBreak        ? QStringLiteral("改行")
                              : codePoint == 0 ? QStringLiteral("NUL")
                                               : character;
        if (!storable && !found.split(QStringLiteral("、")).contains(shown))
            found += found.isEmpty() ? shown : QStringLiteral("、") + shown;
    }
    return found;
}

std::optional<SaveFailure> checkStorable(const QString& fieldName, const QString& text) {
    const QString characters = unstorableCharacters(text);
    if (characters.isEmpty())
        return std::nullopt;
    return SaveFailure::cannotStore(fieldName, characters);
}
