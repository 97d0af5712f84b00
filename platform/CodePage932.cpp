#include "platform/CodePage932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace CodePage932 {
namespace {
constexpr auto codePageName = "CP932";
constexpr auto stateless = QStringConverter::Flag::Stateless;

// Opening a converter looks the code page up among all the names the converter library knows,
// which costs more than decoding a line: each thread keeps a decoder. (Not so the encoder: its
// error flag outlives resetState(), and a save encodes only a few texts.)
QStringDecoder& threadDecoder() {
    thread_local QStringDecoder decoder(codePageName, stateless);
    decoder.resetState();
    return decoder;
}

bool isLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
} // namespace

std::optional<QByteArray> encode(QStringView text) {
    QStringEncoder encoder(codePageName, stateless);
    QByteArray bytes = encoder(text);
    // A best-fit mapping (U+00A5 to a backslash, say) is no error for the encoder but would
    // store another text than the one given: only an exact round trip counts.
    if (encoder.hasError() || decode(bytes) != text)
        return std::nullopt;
    return bytes;
}

QString decode(QByteArrayView bytes) {
    return threadDecoder()(bytes);
}

QByteArrayView wholeCharacterPrefix(QByteArrayView bytes, qsizetype maxBytes) {
    if (bytes.size() <= maxBytes)
        return bytes;
    qsizetype end = 0;
    while (end < maxBytes) {
        const qsizetype width =
            isLeadByte(static_cast<unsigned char>(bytes[end])) && end + 1 < bytes.size() ? 2 : 1;
        if (end + width > maxBytes)
            break;
        end += width;
    }
    return bytes.first(end);
}

} // namespace CodePage932
