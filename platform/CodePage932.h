#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The settings files keep their texts in the Japanese ANSI code page 932 (Shift-JIS with the
// Microsoft extensions), the code page they were always written in.
namespace CodePage932 {

// Bytes for the text, or nothing when the code page cannot hold the text exactly (a character
// outside the code page, or one it could only approximate).
std::optional<QByteArray> encode(QStringView text);

// Invalid bytes, and a lead byte cut off at the end, decode to U+001A or vanish: never fails.
QString decode(QByteArrayView bytes);

// The longest start of the bytes that is at most maxBytes long and ends on a whole character.
QByteArrayView wholeCharacterPrefix(QByteArrayView bytes, qsizetype maxBytes);

} // namespace CodePage932
