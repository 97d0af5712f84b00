#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The settings files keep their texts in the Japanese ANSI code page 932 (Shift-JIS with the
// Microsoft extensions), the code page they were always written in. Both directions follow
// Windows' own table, whatever converter library the system has.
namespace CodePage932 {

// Bytes for the text, or nothing when the code page cannot hold it (a character outside the code
// page, or one it could only approximate). A character with several byte pairs gets the one
// Windows writes; the forms Linux input methods type for some of its characters (〜 for ～, −
// for －, ¢, £, ¬, ‖, —) get the pair of the character they stand for, as Windows writes them.
std::optional<QByteArray> encode(QStringView text);

// Never fails: each byte that starts no character (a lead byte cut off at the end, or one
// whose pair means nothing) decodes to U+FFFD on its own, and the next byte starts afresh.
// *valid, when asked for, tells whether the bytes were all whole characters.
QString decode(QByteArrayView bytes, bool* valid = nullptr);

// The longest start of the bytes that is at most maxBytes long and ends on a whole character.
QByteArrayView wholeCharacterPrefix(QByteArrayView bytes, qsizetype maxBytes);

} // namespace CodePage932
