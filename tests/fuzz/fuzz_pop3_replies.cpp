// Feeds any bytes to everything that parses what a POP3 server sends, split into chunks as the
// network might deliver them: nothing may crash, read out of bounds or grow without bound, the
// replies read are the same however the bytes were split, and a message held only as far as its
// header gives the same header values as the whole. The first byte chooses the chunk size and
// whether lines end at LF or only at CR LF.

#include "platform/pop3/Pop3Parsing.h"
#include "platform/pop3/ServerAddress.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace {

constexpr qsizetype maxMultiLineReplyBytes = 1 << 16;
using Keep = Pop3::MultiLineReader::Keep;

// What was read, in order: status texts and the data of multi-line replies, as far as kept.
QList<QByteArray> parseReplies(QByteArrayView input, qsizetype chunkSize, bool crLfOnly,
                               Keep keep) {
    QList<QByteArray> read;
    Pop3::ReadBuffer buffer;
    if (crLfOnly)
        buffer.endLinesWithCrLfOnly();
    std::optional<Pop3::MultiLineReader> multiLine;
    for (qsizetype at = 0; at < input.size(); at += chunkSize) {
        buffer.append(input.sliced(at, qMin(chunkSize, input.size() - at)));
        while (true) {
            if (multiLine) {
                const auto progress = multiLine->consume(buffer);
                if (progress == Pop3::MultiLineReader::Progress::NeedMore)
                    break;
                if (progress == Pop3::MultiLineReader::Progress::TooLarge)
                    return read;
                const QByteArray& data = multiLine->data();
                read.append(data);
                Pop3::extractHeaderValues(data);
                Pop3::parseListEntry(data);
                Pop3::parseCapability(data);
                multiLine.reset();
                continue;
            }
            const auto line = buffer.takeLine();
            if (!line)
                break;
            if (line->raw.size() > Pop3::maxStatusLineBytes)
                return read; // as the client gives up on it, whether it came whole or in parts
            const auto status = Pop3::parseStatusLine(line->text);
            if (!status)
                continue;
            read.append(status->text);
            Pop3::parseStat(status->text);
            Pop3::parseListEntry(status->text);
            Pop3::apopTimestamp(status->text);
            if (status->ok)
                multiLine.emplace(maxMultiLineReplyBytes, keep);
        }
        if (!multiLine && buffer.partialLineBytes() > Pop3::maxStatusLineBytes)
            return read;
    }
    return read;
}

QList<QByteArray> headerValuesOf(QByteArrayView message) {
    const Pop3::HeaderValues values = Pop3::extractHeaderValues(message);
    return {values.subject, values.from, values.date, values.to};
}

bool sameHeaders(const QList<QByteArray>& headers, const QList<QByteArray>& whole) {
    if (headers.size() != whole.size())
        return false;
    for (qsizetype i = 0; i < whole.size(); ++i)
        if (!whole[i].startsWith(headers[i]) ||
            headerValuesOf(headers[i]) != headerValuesOf(whole[i]))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const QByteArrayView input(reinterpret_cast<const char*>(data + 1),
                               static_cast<qsizetype>(size - 1));
    const bool crLfOnly = data[0] & 0x80;
    const qsizetype chunkSize = qMax<qsizetype>(1, data[0] & 0x7F);
    const QList<QByteArray> whole = parseReplies(input, input.size() + 1, crLfOnly, Keep::All);
    if (parseReplies(input, chunkSize, crLfOnly, Keep::All) != whole ||
        !sameHeaders(parseReplies(input, chunkSize, crLfOnly, Keep::Header), whole))
        __builtin_trap();
    Pop3::extractHeaderValues(input);
    parseServerAddress(QString::fromUtf8(input.first(qMin<qsizetype>(input.size(), 512))));
    return 0;
}
