// Feeds any bytes to the profile-file reader as a file, reads names from it and writes a value into
// it. Whatever the bytes: a value read is cut at its first NUL and then at bufferSize - 1 bytes on
// a whole character of the file's encoding, and does not depend on the default when the key is
// there; a number is the default exactly when the value is empty; a value written that holds no
// line break reads back as given, up to a NUL, every other entry reads as before, and writing it
// again changes nothing. Writing back every value that the file holds, as read, leaves the file's
// bytes as they were.
//
// The input: two bytes that pick the names to write and to watch, one byte of buffer size, one of
// the value's length, the value, and then the file.

#include "platform/ProfileFile.h"

#include "FileContent.h"
#include "FuzzFolder.h"

#include <cstddef>
#include <cstdint>
#include <iterator>

namespace {

// Names of one group compare equal; "ア" and "ャ" differ only in a second byte that looks like a
// letter, "Ａ" and "ａ" are one letter in two cases.
struct Name {
    QByteArrayView bytes;
    int group;
};
constexpr Name sections[] = {{"EXEINI", 0},   {"exeini", 0},   {"Other", 1},    {"\x83\x41", 2},
                             {"\x83\x61", 3}, {"\x82\x60", 4}, {"\x82\x81", 4}, {"[x", 5}};
constexpr Name keys[] = {{"NAME", 0},     {"name", 0},     {"NAME2", 1},    {"NUMBER", 2},
                         {"\x83\x41", 3}, {"\x83\x61", 4}, {"\x82\x60", 5}, {"\x82\x81", 5}};

template <std::size_t size> const Name& pick(const Name (&names)[size], std::uint8_t byte) {
    return names[byte % size];
}

bool isLeadByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// The longest start of value of at most limit bytes that ends on a whole character.
QByteArrayView cutOnWholeCharacter(QByteArrayView value, qsizetype limit) {
    qsizetype end = 0;
    while (end < value.size()) {
        const qsizetype next = end + (isLeadByte(value[end]) && end + 1 < value.size() ? 2 : 1);
        if (next > limit)
            break;
        end = next;
    }
    return value.first(end);
}

// Whether cut is a start of value of at most limit bytes that ends on a whole UTF-8 character:
// the byte after it starts one, or it is the whole limit after a longer run of continuation
// bytes than a character has.
bool isWholeUtf8Cut(QByteArrayView value, qsizetype limit, QByteArrayView cut) {
    if (!value.startsWith(cut) || cut.size() > limit)
        return false;
    if (value.size() <= limit)
        return cut.size() == value.size();
    const auto continues = [&](qsizetype at) {
        return (static_cast<unsigned char>(value[at]) & 0xC0) == 0x80;
    };
    return cut.size() >= limit - 3 && (!continues(cut.size()) || cut.size() == limit);
}

QByteArrayView cutAtNul(QByteArrayView value) {
    const qsizetype nul = value.indexOf('\0');
    return nul < 0 ? value : value.first(nul);
}

constexpr QByteArrayView defaultA = "\x01<A>";
constexpr QByteArrayView defaultB = "\x01<B>";

QByteArrayView trimmed(QByteArrayView text) {
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t'))
        text = text.sliced(1);
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t'))
        text.chop(1);
    return text;
}

// The names of the sections of a file, each with the names of the keys under it, taken apart as
// plainly as possible; which of them the reader finds is for the reader to say.
QList<std::pair<QByteArray, QList<QByteArray>>> namesIn(QByteArrayView content) {
    if (content.startsWith("\xEF\xBB\xBF"))
        content = content.sliced(3);
    QList<std::pair<QByteArray, QList<QByteArray>>> found;
    for (qsizetype start = 0, end = 0; start < content.size(); start = end + 1) {
        end = start;
        while (end < content.size() && content[end] != '\r' && content[end] != '\n')
            ++end;
        const QByteArrayView line = trimmed(content.sliced(start, end - start));
        if (end + 1 < content.size() && content[end] == '\r' && content[end + 1] == '\n')
            ++end;
        if (line.startsWith('[') && line.contains(']'))
            found.append({trimmed(line.sliced(1, line.lastIndexOf(']') - 1)).toByteArray(), {}});
        else if (!found.isEmpty() && !line.isEmpty())
            found.back().second.append(
                trimmed(line.first(line.contains('=') ? line.indexOf('=') : line.size()))
                    .toByteArray());
    }
    return found;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto byteAt = [&](std::size_t i) -> std::uint8_t { return i < size ? data[i] : 0; };
    const Name& section = pick(sections, byteAt(0));
    const Name& key = pick(keys, byteAt(0) / std::size(sections));
    const Name& otherSection = pick(sections, byteAt(1));
    const Name& otherKey = pick(keys, byteAt(1) / std::size(sections));
    const qsizetype bufferSize = byteAt(2);
    const QByteArrayView rest(reinterpret_cast<const char*>(data) + qMin<std::size_t>(size, 4),
                              static_cast<qsizetype>(size - qMin<std::size_t>(size, 4)));
    const QByteArray value = rest.first(qMin<qsizetype>(byteAt(3), rest.size())).toByteArray();
    const QByteArrayView content = rest.sliced(value.size());

    static const QString path = fuzzFolder() + QStringLiteral("/test.ini");
    require(writeContent(path, content.toByteArray()));
    const auto read = [&](const Name& s, const Name& k, QByteArrayView fallback, qsizetype bytes) {
        return ProfileFile::readString(path, s.bytes, k.bytes, fallback, bytes);
    };

    for (const auto& [sectionName, keyNames] : namesIn(content)) {
        QList<ProfileFile::Entry> held;
        for (const QByteArray& keyName : keyNames) {
            const QByteArray stored = ProfileFile::readString(path, sectionName, keyName, defaultA,
                                                              ProfileFile::maxProfileFileBytes);
            if (stored == ProfileFile::readString(path, sectionName, keyName, defaultB,
                                                  ProfileFile::maxProfileFileBytes))
                held.append({keyName, stored});
        }
        require(!ProfileFile::writeStrings(path, sectionName, held, ProfileFile::Access::Shared));
        require(contentOf(path) == content);
    }

    const QByteArray readA = read(section, key, defaultA, ProfileFile::maxProfileFileBytes);
    const QByteArray readB = read(section, key, defaultB, ProfileFile::maxProfileFileBytes);
    const bool found = readA == readB;
    require(found || (readA == defaultA && readB == defaultB));
    const QByteArray whole = found ? readA : QByteArray();
    require(!whole.contains('\0'));
    // Cut on a whole character of the file's encoding: UTF-8 after a byte-order mark.
    const QByteArrayView uncut = found ? QByteArrayView(whole) : defaultA;
    const qsizetype limit = qMax<qsizetype>(bufferSize - 1, 0);
    const QByteArray cut = read(section, key, defaultA, bufferSize);
    require(content.startsWith("\xEF\xBB\xBF") ? isWholeUtf8Cut(uncut, limit, cut)
                                               : cut == cutOnWholeCharacter(uncut, limit));

    const int number = ProfileFile::readInt(path, section.bytes, key.bytes, 7);
    const int numberOrEight = ProfileFile::readInt(path, section.bytes, key.bytes, 8);
    require(whole.isEmpty() ? number == 7 && numberOrEight == 8 : number == numberOrEight);

    const bool sameEntry = section.group == otherSection.group && key.group == otherKey.group;
    const QByteArray otherBefore =
        read(otherSection, otherKey, defaultA, ProfileFile::maxProfileFileBytes);
    const QList<ProfileFile::Entry> entries = {{key.bytes.toByteArray(), value}};
    require(!ProfileFile::writeStrings(path, section.bytes, entries, ProfileFile::Access::Shared));
    if (value.contains('\r') || value.contains('\n'))
        return 0; // the value's lines are lines of the file now
    require(read(section, key, defaultA, ProfileFile::maxProfileFileBytes) == cutAtNul(value));
    require(sameEntry || read(otherSection, otherKey, defaultA, ProfileFile::maxProfileFileBytes) ==
                             otherBefore);
    const QByteArray written = contentOf(path);
    require(!ProfileFile::writeStrings(path, section.bytes, entries, ProfileFile::Access::Shared));
    require(contentOf(path) == written);
    return 0;
}
