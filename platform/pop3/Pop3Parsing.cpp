#include "platform/pop3/Pop3Parsing.h"

#include <QIODevice>

#include <algorithm>
#include <charconv>

namespace Pop3 {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// A stray CR goes too, which a reply's text may hold (CR CR LF); ProfileFile's trim has none to
// drop, since a CR ends a settings file's line, and lives a layer above, so each keeps its own.
QByteArrayView trimmed(QByteArrayView text) {
    while (!text.isEmpty() && (isBlank(text.front()) || text.front() == '\r'))
        text = text.sliced(1);
    while (!text.isEmpty() && (isBlank(text.back()) || text.back() == '\r'))
        text.chop(1);
    return text;
}

// A decimal number of at most 18 digits, so that it fits any count or size without overflow.
std::optional<qint64> parseCount(QByteArrayView digits) {
    if (digits.isEmpty() || digits.size() > 18)
        return std::nullopt;
    qint64 value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || value < 0)
        return std::nullopt;
    return value;
}

// The first blank-separated word of text, and what follows it, both without blanks around.
std::pair<QByteArrayView, QByteArrayView> splitFirstWord(QByteArrayView text) {
    text = trimmed(text);
    qsizetype blank = 0;
    while (blank < text.size() && !isBlank(text[blank]))
        ++blank;
    return {text.first(blank), trimmed(text.sliced(blank))};
}

// The first two blank-separated words of text.
std::optional<std::pair<qint64, qint64>> parseTwoCounts(QByteArrayView text) {
    const auto [firstWord, rest] = splitFirstWord(text);
    const auto first = parseCount(firstWord);
    const auto second = parseCount(splitFirstWord(rest).first);
    if (!first || !second)
        return std::nullopt;
    return std::pair{*first, *second};
}

bool startsWithName(QByteArrayView line, QByteArrayView name) {
    return line.size() > name.size() && line[name.size()] == ':' &&
           line.first(name.size()).compare(name, Qt::CaseInsensitive) == 0;
}

} // namespace

void ReadBuffer::dropTakenBytes() {
    if (m_position > 0 && m_position >= m_bytes.size() / 2) {
        m_bytes.remove(0, m_position);
        m_position = 0;
    }
}

void ReadBuffer::append(QByteArrayView bytes) {
    dropTakenBytes();
    m_bytes.append(bytes);
}

qint64 ReadBuffer::readFrom(QIODevice& device, qint64 most) {
    dropTakenBytes();
    const qsizetype before = m_bytes.size();
    m_bytes.resize(before + most);
    const qint64 read = qMax<qint64>(device.read(m_bytes.data() + before, most), 0);
    m_bytes.resize(before + read);
    return read;
}

void ReadBuffer::endLinesWithCrLfOnly() {
    m_crLfOnly = true;
    m_searched = 0;
}

qsizetype ReadBuffer::nextLineEnd() {
    // Searching for the LF alone runs at memchr's speed; a two-byte search in Qt goes a byte at
    // a time.
    for (qsizetype from = m_position + m_searched;;) {
        const qsizetype end = m_bytes.indexOf('\n', from);
        if (end < 0) {
            m_searched = m_bytes.size() - m_position;
            return -1;
        }
        if (!m_crLfOnly || (end > m_position && m_bytes[end - 1] == '\r')) {
            m_searched = 0;
            return end;
        }
        from = end + 1;
    }
}

std::optional<ReadBuffer::Line> ReadBuffer::takeLine() {
    const qsizetype newline = nextLineEnd();
    if (newline < 0)
        return std::nullopt;
    const QByteArrayView raw = QByteArrayView(m_bytes).sliced(m_position, newline + 1 - m_position);
    QByteArrayView text = raw.first(raw.size() - 1);
    if (text.endsWith('\r'))
        text.chop(1);
    m_position = newline + 1;
    return Line{text, raw};
}

ReadBuffer::Piece ReadBuffer::takePiece() {
    const qsizetype newline = nextLineEnd();
    qsizetype end = newline < 0 ? m_bytes.size() : newline + 1;
    // A CR at the end stays until what follows tells whether it begins a line end.
    if (newline < 0 && m_crLfOnly && m_bytes.endsWith('\r'))
        --end;
    const Piece piece{QByteArrayView(m_bytes).sliced(m_position, end - m_position), newline >= 0};
    m_position = end;
    m_searched = 0;
    return piece;
}

void ReadBuffer::skip(qsizetype bytes) {
    m_position += qMin(bytes, m_bytes.size() - m_position);
    m_searched = qMax<qsizetype>(m_searched - bytes, 0);
}

void ReadBuffer::clear() {
    m_bytes.clear();
    m_position = 0;
    m_searched = 0;
}

std::optional<StatusLine> parseStatusLine(QByteArrayView line) {
    const auto rest = [&](qsizetype length) { return trimmed(line.sliced(length)).toByteArray(); };
    const auto startsWithWord = [&](QByteArrayView word) {
        return line.startsWith(word) && (line.size() == word.size() || isBlank(line[word.size()]));
    };
    if (startsWithWord("+OK"))
        return StatusLine{true, rest(3)};
    if (startsWithWord("-ERR"))
        return StatusLine{false, rest(4)};
    return std::nullopt;
}

std::optional<MailboxStat> parseStat(QByteArrayView text) {
    const auto counts = parseTwoCounts(text);
    if (!counts)
        return std::nullopt;
    return MailboxStat{counts->first, counts->second};
}

std::optional<ListEntry> parseListEntry(QByteArrayView line) {
    const auto counts = parseTwoCounts(line);
    if (!counts || counts->first < 1)
        return std::nullopt;
    return ListEntry{counts->first, counts->second};
}

std::optional<UniqueIdEntry> parseUniqueIdEntry(QByteArrayView line) {
    const auto [numberWord, id] = splitFirstWord(line);
    const auto number = parseCount(numberWord);
    const auto printable = [](char c) { return c >= 0x21 && c <= 0x7E; };
    if (!number || *number < 1 || id.isEmpty() || id.size() > maxUniqueIdBytes ||
        !std::all_of(id.begin(), id.end(), printable))
        return std::nullopt;
    return UniqueIdEntry{*number, id.toByteArray()};
}

Capability parseCapability(QByteArrayView line) {
    Capability capability;
    for (const QByteArray& word : trimmed(line).toByteArray().toUpper().split(' ')) {
        if (word.isEmpty())
            continue;
        if (capability.name.isEmpty())
            capability.name = word;
        else
            capability.arguments.append(word);
    }
    return capability;
}

std::optional<QByteArray> apopTimestamp(QByteArrayView greeting) {
    for (qsizetype open = greeting.indexOf('<'); open >= 0;
         open = greeting.indexOf('<', open + 1)) {
        const qsizetype close = greeting.indexOf('>', open);
        if (close < 0)
            return std::nullopt;
        const QByteArrayView inside = greeting.sliced(open + 1, close - open - 1);
        const qsizetype at = inside.indexOf('@');
        const bool wellFormed = at > 0 && at < inside.size() - 1 && !inside.contains('<') &&
                                !inside.contains(' ') && !inside.contains('\t');
        if (wellFormed)
            return greeting.sliced(open, close - open + 1).toByteArray();
    }
    return std::nullopt;
}

MultiLineReader::MultiLineReader(qsizetype maxBytes, Keep keep)
    : m_maxBytes(maxBytes), m_keepBytes(keep == Keep::All      ? maxBytes
                                        : keep == Keep::Header ? maxHeaderBytes
                                                               : 0),
      m_untilHeaderEnds(keep == Keep::Header) {}

void MultiLineReader::reserve(qint64 announcedBytes) {
    constexpr qint64 largestReservation = 32 * 1024 * 1024;
    m_data.reserve(
        qBound<qint64>(0, announcedBytes, qMin<qint64>(m_keepBytes, largestReservation)));
}

MultiLineReader::LineStart MultiLineReader::classifyLineStart(QByteArrayView unread,
                                                              bool crLfOnly) {
    if (!unread.startsWith('.'))
        return LineStart::Data;
    const QByteArrayView afterDot = unread.sliced(1);
    if (afterDot.startsWith("\r\n") || (!crLfOnly && afterDot.startsWith('\n')))
        return LineStart::Terminator;
    if (afterDot.isEmpty() || afterDot == "\r")
        return LineStart::Undecided;
    return LineStart::Data;
}

MultiLineReader::Progress MultiLineReader::consume(ReadBuffer& buffer) {
    while (!buffer.unread().isEmpty()) {
        if (m_atLineStart) {
            switch (classifyLineStart(buffer.unread(), buffer.endsLinesWithCrLfOnly())) {
            case LineStart::Undecided:
                return Progress::NeedMore;
            case LineStart::Terminator:
                buffer.takeLine();
                return Progress::Done;
            case LineStart::Data:
                if (buffer.unread().startsWith('.'))
                    buffer.skip(1); // the dot the server stuffed in
                break;
            }
        }
        const ReadBuffer::Piece piece = buffer.takePiece();
        if (piece.bytes.isEmpty())
            return Progress::NeedMore;
        if (m_length + piece.bytes.size() > m_maxBytes)
            return Progress::TooLarge;
        m_length += piece.bytes.size();
        if (m_data.size() < m_keepBytes)
            keep(piece.bytes, piece.endsLine);
        m_atLineStart = piece.endsLine;
    }
    return Progress::NeedMore;
}

void MultiLineReader::keep(QByteArrayView piece, bool endsLine) {
    m_data.append(piece.first(qMin(piece.size(), m_keepBytes - m_data.size())));
    if (!m_untilHeaderEnds)
        return;
    // A line of nothing but its line end, which may come in two pieces, ends the header.
    m_lineBytes += piece.size();
    if (!endsLine)
        return;
    if (m_lineBytes <= 2 && (m_data.endsWith("\r\n") || m_lineBytes == 1)) {
        m_keepBytes = m_data.size();
        m_untilHeaderEnds = false;
    }
    m_lineBytes = 0;
}

HeaderValues extractHeaderValues(QByteArrayView message) {
    HeaderValues values;
    QByteArray* current = nullptr; // the wanted field whose continuation lines may follow
    const std::pair<QByteArrayView, QByteArray*> wanted[] = {{"Subject", &values.subject},
                                                             {"From", &values.from},
                                                             {"Date", &values.date},
                                                             {"To", &values.to}};
    bool found[4] = {};
    qsizetype position = 0;
    while (position < message.size()) {
        qsizetype end = message.indexOf('\n', position);
        if (end < 0)
            end = message.size();
        QByteArrayView line = message.sliced(position, end - position);
        position = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            break; // the headers end at the first empty line
        if (isBlank(line.front())) {
            if (current)
                current->append(line); // unfolding drops only the line break
            continue;
        }
        current = nullptr;
        for (std::size_t i = 0; i < std::size(wanted); ++i) {
            if (!found[i] && startsWithName(line, wanted[i].first)) {
                found[i] = true;
                current = wanted[i].second;
                *current = line.sliced(wanted[i].first.size() + 1).toByteArray();
            }
        }
    }
    for (const auto& field : wanted)
        *field.second = trimmed(*field.second).toByteArray();
    return values;
}

} // namespace Pop3
