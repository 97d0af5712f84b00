// Feeds any bytes to everything that parses what a POP3 server sends, split into chunks as the
// network might deliver them: nothing may crash, read out of bounds or grow without bound.

#include "platform/pop3/Pop3Parsing.h"
#include "platform/pop3/ServerAddress.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace {

constexpr qsizetype maxMessageBytes = 1 << 16;

void parseReplies(QByteArrayView input, qsizetype chunkSize) {
    Pop3::ReadBuffer buffer;
    std::optional<Pop3::MultiLineReader> multiLine;
    for (qsizetype at = 0; at < input.size(); at += chunkSize) {
        buffer.append(input.sliced(at, qMin(chunkSize, input.size() - at)));
        while (true) {
            if (multiLine) {
                const auto progress = multiLine->consume(buffer);
                if (progress == Pop3::MultiLineReader::Progress::NeedMore)
                    break;
                if (progress == Pop3::MultiLineReader::Progress::TooLarge)
                    return;
                const QByteArray& data = multiLine->data();
                Pop3::extractHeaderValues(data);
                Pop3::parseListEntry(data);
                Pop3::parseCapability(data);
                multiLine.reset();
                continue;
            }
            const auto line = buffer.takeLine();
            if (!line)
                break;
            const auto status = Pop3::parseStatusLine(line->text);
            if (!status)
                continue;
            Pop3::parseStat(status->text);
            Pop3::parseListEntry(status->text);
            Pop3::apopTimestamp(status->text);
            if (status->ok)
                multiLine.emplace(maxMessageBytes);
        }
        if (buffer.partialLineBytes() > Pop3::maxStatusLineBytes)
            return;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const QByteArrayView input(reinterpret_cast<const char*>(data + 1),
                               static_cast<qsizetype>(size - 1));
    parseReplies(input, qMax<qsizetype>(1, data[0]));
    Pop3::extractHeaderValues(input);
    parseServerAddress(QString::fromUtf8(input.first(qMin<qsizetype>(input.size(), 512))));
    return 0;
}
