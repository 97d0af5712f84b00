#include "platform/CodePage932.h"

#include "platform/CodePage932Table.h"

#include <array>
#include <utility>

namespace CodePage932 {
namespace {
using namespace Table;

// What encode writes for each UTF-16 unit: a single byte, a pair as first * 0x100 + second, or
// noBytes (0xFF starts no pair, so no pair is 0xFFFF).
constexpr char16_t noBytes = 0xFFFF;
using EncodeTable = std::array<char16_t, 0x10000>;

int leadOfRow(int row) {
    return row < lowLeadCount ? firstLowLead + row : firstHighLead + row - lowLeadCount;
}

int rowOfLead(unsigned char lead) {
    return lead < firstHighLead ? lead - firstLowLead : lead - firstHighLead + lowLeadCount;
}

// Characters that input methods on Linux type from the Unicode tables where Windows typed the
// code page's own forms, and the pairs Windows writes for them (its best fit): they read back as
// the forms Windows reads, so that a text typed either way is stored, and sent, as the same
// bytes. Other approximations (U+00A5 as a backslash, say) would change what a text says.
constexpr std::pair<char16_t, int> typedForms[] = {
    {u'\u301C', 0x8160}, // WAVE DASH, read back as FULLWIDTH TILDE
    {u'\u2212', 0x817C}, // MINUS SIGN, as FULLWIDTH HYPHEN-MINUS
    {u'\u2016', 0x8161}, // DOUBLE VERTICAL LINE, as PARALLEL TO
    {u'\u2014', 0x815C}, // EM DASH, as HORIZONTAL BAR
    {u'\u00A2', 0x8191}, // CENT SIGN, as FULLWIDTH CENT SIGN
    {u'\u00A3', 0x8192}, // POUND SIGN, as FULLWIDTH POUND SIGN
    {u'\u00AC', 0x81CA}, // NOT SIGN, as FULLWIDTH NOT SIGN
};

// Built from the decoding table, so every character is written as bytes that read back as that
// very character, and from typedForms.
const EncodeTable& encodeTable() {
    static const EncodeTable table = [] {
        EncodeTable bytesOf;
        bytesOf.fill(noBytes);
        const auto add = [&](char16_t character, int bytes) {
            if (character != noCharacter && bytesOf[character] == noBytes)
                bytesOf[character] = static_cast<char16_t>(bytes);
        };
        for (int byte = 0; byte < 256; ++byte)
            add(singleBytes[byte], byte);
        // Of a character's several pairs Windows writes the lowest, except that NEC's copies
        // of the IBM extensions (first byte ED or EE) give way to IBM's own (FA-FC).
        const auto isNecCopy = [](int lead) { return lead == 0xED || lead == 0xEE; };
        for (const bool necCopies : {false, true}) {
            for (int row = 0; row < leadCount; ++row) {
                const int lead = leadOfRow(row);
                if (isNecCopy(lead) != necCopies)
                    continue;
                for (int trail = 0; trail < trailCount; ++trail)
                    add(doubleBytes[row][trail], lead * 0x100 + firstTrail + trail);
            }
        }
        for (const auto& [character, bytes] : typedForms)
            add(character, bytes);
        return bytesOf;
    }();
    return table;
}

bool isLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
} // namespace

std::optional<QByteArray> encode(QStringView text) {
    const EncodeTable& bytesOf = encodeTable();
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    // A surrogate has no bytes of its own, so characters outside the BMP are refused too.
    for (const QChar character : text) {
        const char16_t code = bytesOf[character.unicode()];
        if (code == noBytes)
            return std::nullopt;
        if (code > 0xFF)
            bytes.append(static_cast<char>(code >> 8));
        bytes.append(static_cast<char>(code & 0xFF));
    }
    return bytes;
}

QString decode(QByteArrayView bytes, bool* valid) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    bool whole = true;
    for (qsizetype at = 0; at < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[at]);
        char16_t character = singleBytes[byte];
        qsizetype width = 1;
        if (character == noCharacter && at + 1 < bytes.size()) {
            const int trail = static_cast<unsigned char>(bytes[at + 1]) - firstTrail;
            if (trail >= 0 && trail < trailCount) {
                character = doubleBytes[rowOfLead(byte)][trail];
                width = character == noCharacter ? 1 : 2;
            }
        }
        whole = whole && character != noCharacter;
        *out++ = QChar(character);
        at += width;
    }
    text.truncate(out - text.constData());
    if (valid)
        *valid = whole;
    return text;
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
