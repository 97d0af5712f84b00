#include "platform/TextEncoding.h"

#include "platform/CodePage932.h"
#include "platform/TextLines.h"

#include <QStringDecoder>

TextEncoding TextEncoding::of(QByteArrayView fileContent) {
    return TextEncoding(TextLines::byteOrderMarkSize(fileContent) > 0 ? Kind::Utf8
                                                                      : Kind::CodePage932);
}

QString TextEncoding::decode(QByteArrayView bytes, bool* valid) const {
    if (m_kind == Kind::CodePage932)
        return CodePage932::decode(bytes, valid);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (valid)
        *valid = !utf8.hasError();
    return text;
}

std::optional<QByteArray> TextEncoding::encode(QStringView text) const {
    if (m_kind == Kind::CodePage932)
        return CodePage932::encode(text);
    // A lone surrogate has no UTF-8 form; it would be written as a replacement character.
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return std::nullopt;
    }
    return text.toUtf8();
}

QByteArrayView TextEncoding::wholeCharacterPrefix(QByteArrayView bytes, qsizetype maxBytes) const {
    if (m_kind == Kind::CodePage932)
        return CodePage932::wholeCharacterPrefix(bytes, maxBytes);
    if (bytes.size() <= maxBytes)
        return bytes;
    // Back from the cut over continuation bytes (10xxxxxx), at most three as in a character, to
    // the start of the character it falls in, which then stays out.
    const auto continues = [&](qsizetype at) {
        return (static_cast<unsigned char>(bytes[at]) & 0xC0) == 0x80;
    };
    const qsizetype cut = qMax<qsizetype>(maxBytes, 0);
    for (qsizetype start = cut; start > 0 && start > cut - 4; --start)
        if (!continues(start))
            return bytes.first(start);
    return bytes.first(cut);
}
