#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// How a settings file keeps its texts: in code page 932, as the program has always written them,
// or in UTF-8 when the file starts with a UTF-8 byte-order mark (an editor saved it so, and its
// Japanese would read as nonsense in code page 932).
class TextEncoding {
public:
    enum class Kind { CodePage932, Utf8 };

    constexpr TextEncoding() = default;
    constexpr explicit TextEncoding(Kind kind) : m_kind(kind) {}
    static TextEncoding of(QByteArrayView fileContent);

    Kind kind() const { return m_kind; }

    // As CodePage932::decode: never fails, and *valid tells whether every byte was text.
    QString decode(QByteArrayView bytes, bool* valid = nullptr) const;
    // Nothing when the encoding cannot hold the text exactly.
    std::optional<QByteArray> encode(QStringView text) const;
    // The longest start of the bytes, at most maxBytes, that ends on a whole character.
    QByteArrayView wholeCharacterPrefix(QByteArrayView bytes, qsizetype maxBytes) const;

    friend bool operator==(TextEncoding, TextEncoding) = default;

private:
    Kind m_kind = Kind::CodePage932;
};
