#pragma once

#include <QByteArray>
#include <QList>
#include <optional>

class QIODevice;

// The pure parts of POP3 (RFC 1939, 2449): replies, listings and message headers. Nothing here
// touches the network, so all of it can be fed any bytes at all.
namespace Pop3 {

// Status lines are short by the protocol (512 bytes); a longer one is a broken server.
inline constexpr qsizetype maxStatusLineBytes = 64 * 1024;

// Bytes received and not yet taken, handed out line by line or piece by piece. A line ends at
// LF, with or without CR before it, until the server is known to end its lines with CR LF: then
// only CR LF ends one, and a lone LF is data. Every byte is looked at once however it arrives, so
// a long line costs time in proportion to its length.
class ReadBuffer {
public:
    struct Line {
        QByteArrayView text; // without its line end
        QByteArrayView raw;  // with it
    };
    // Up to and with the next line end, or all there is of an unfinished line.
    struct Piece {
        QByteArrayView bytes;
        bool endsLine = false;
    };

    void append(QByteArrayView bytes);
    // Reads up to most bytes from the device onto the end, with no copy between; how many came.
    qint64 readFrom(QIODevice& device, qint64 most);
    // From now on only CR LF ends a line.
    void endLinesWithCrLfOnly();
    bool endsLinesWithCrLfOnly() const { return m_crLfOnly; }
    // The next whole line; nothing until one has arrived. The views last until the next append.
    std::optional<Line> takeLine();
    // The next piece; empty when nothing is buffered, or only a CR that may begin a line end.
    // The view lasts until the next append.
    Piece takePiece();
    QByteArrayView unread() const { return QByteArrayView(m_bytes).sliced(m_position); }
    void skip(qsizetype bytes);
    // Bytes of the line that has begun but not ended yet.
    qsizetype partialLineBytes() const { return m_bytes.size() - m_position; }
    void clear();

private:
    // Taken bytes are dropped only now and then, so that taking a line never moves the rest.
    void dropTakenBytes();
    // Where the next line ends, searching only what was not searched before; -1 for none yet.
    qsizetype nextLineEnd();

    QByteArray m_bytes;
    qsizetype m_position = 0;
    qsizetype m_searched = 0; // bytes from m_position known to hold no line end
    bool m_crLfOnly = false;
};

struct StatusLine {
    bool ok = false;
    QByteArray text; // what follows "+OK" or "-ERR"
};

// Nothing when the line is neither "+OK" nor "-ERR".
std::optional<StatusLine> parseStatusLine(QByteArrayView line);

struct MailboxStat {
    qint64 count = 0;
    qint64 octets = 0;
};

// The "+OK" text of STAT: "count octets".
std::optional<MailboxStat> parseStat(QByteArrayView text);

struct ListEntry {
    qint64 number = 0;
    qint64 octets = 0;
};

// One line of a LIST listing (or a single LIST's "+OK" text): "number octets".
std::optional<ListEntry> parseListEntry(QByteArrayView line);

// A message's unique id is 1 to 70 characters from 0x21 to 0x7E (RFC 1939).
inline constexpr qsizetype maxUniqueIdBytes = 70;

struct UniqueIdEntry {
    qint64 number = 0;
    QByteArray id;
};

// One line of a UIDL listing: "number unique-id". Nothing for a line with anything else on it.
std::optional<UniqueIdEntry> parseUniqueIdEntry(QByteArrayView line);

// A CAPA line: the capability's name and its arguments, in upper case.
struct Capability {
    QByteArray name;
    QList<QByteArray> arguments;
};

Capability parseCapability(QByteArrayView line);

// The APOP timestamp of a greeting: "<", no blanks or angle brackets, an "@", ">". Nothing when
// the greeting holds no such timestamp.
std::optional<QByteArray> apopTimestamp(QByteArrayView greeting);

// The data of a multi-line reply, taken from a read buffer as it arrives, with the dots that the
// server added at line starts removed and every line end kept as sent; lines are the buffer's, so
// that a lone LF inside a CR LF session is data and ".\n" after it ends nothing. An unfinished line
// is taken too, so that a message of one endless line is held once, here, not also in the buffer:
// only a line's first byte can be a stuffed dot or begin the terminating one.
class MultiLineReader {
public:
    enum class Progress { NeedMore, Done, TooLarge };

    // What of the data is held; the rest is only counted, so that a caller that needs less of a
    // message holds no more of it, whatever its size.
    enum class Keep {
        All,
        Header, // up to and with the empty line that ends it, at most maxHeaderBytes
        Nothing,
    };
    static constexpr qsizetype maxHeaderBytes = 64 * 1024;

    explicit MultiLineReader(qsizetype maxBytes, Keep keep = Keep::All);

    // Makes room for the size the server announced, so that the data is not copied as it grows;
    // an absurd announcement reserves no more than a sensible message needs.
    void reserve(qint64 announcedBytes);

    Progress consume(ReadBuffer& buffer);
    QByteArray& data() { return m_data; }
    // The data's length, kept or not.
    qint64 length() const { return m_length; }

private:
    enum class LineStart { Data, Terminator, Undecided };
    static LineStart classifyLineStart(QByteArrayView unread, bool crLfOnly);
    void keep(QByteArrayView piece, bool endsLine);

    qsizetype m_maxBytes;
    qsizetype m_keepBytes;
    bool m_untilHeaderEnds;
    QByteArray m_data;
    qint64 m_length = 0;
    bool m_atLineStart = true;
    qsizetype m_lineBytes = 0; // of the line being read, so far
};

// The Subject, From, Date and To header values of a message, unfolded, as they stand otherwise.
struct HeaderValues {
    QByteArray subject;
    QByteArray from;
    QByteArray date;
    QByteArray to;
};

HeaderValues extractHeaderValues(QByteArrayView message);

} // namespace Pop3
