#include "platform/pop3/Pop3Session.h"

#include <QCryptographicHash>

namespace {

constexpr qsizetype maxCapabilityBytes = 64 * 1024;
// A listing line is "number octets": both counts fit well in this.
constexpr qsizetype maxListingLineBytes = 40;
// A UIDL line is "number unique-id", with room for blanks and the line end.
constexpr qsizetype maxUniqueIdLineBytes = maxListingLineBytes + Pop3::maxUniqueIdBytes;

bool sendable(const QByteArray& text) {
    return !text.contains('\r') && !text.contains('\n') && !text.contains('\0');
}

// The non-empty lines of a multi-line reply's data, without their line ends. Unlike a settings
// file's (TextLines), a lone CR here is no line end: the reply's lines end at LF.
QList<QByteArrayView> lines(const QByteArray& data) {
    QList<QByteArrayView> result;
    for (qsizetype start = 0; start < data.size();) {
        qsizetype end = data.indexOf('\n', start);
        if (end < 0)
            end = data.size();
        QByteArrayView line = QByteArrayView(data).sliced(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            result.append(line);
        start = end + 1;
    }
    return result;
}

} // namespace

Pop3Session::Pop3Session(const ServerAddress& address, const Limits& limits,
                         const QSslConfiguration& tls)
    : m_limits(limits), m_transport(address, limits.timeoutMs, tls) {}

Pop3Session::Result Pop3Session::command(const QByteArray& line, Pop3::StatusLine& reply) {
    if (auto failure = m_transport.send(line + "\r\n"))
        return failure;
    return m_transport.readStatusLine(reply);
}

Pop3Session::Result Pop3Session::expectOk(const QByteArray& commandName,
                                          const Pop3::StatusLine& reply) {
    if (reply.ok)
        return std::nullopt;
    return MailFailure::serverRefused(commandName, reply.text);
}

Pop3Session::Result Pop3Session::open() {
    if (auto failure = m_transport.open())
        return failure;
    Pop3::StatusLine greeting;
    if (auto failure = m_transport.readStatusLine(greeting))
        return failure;
    if (!greeting.ok)
        return MailFailure::greetingRefused(m_transport.address().host, greeting.text);
    m_apopTimestamp = Pop3::apopTimestamp(greeting.text);
    if (auto failure = readCapabilities())
        return failure;
    return startTlsWhenOffered();
}

Pop3Session::Result Pop3Session::readListingReply(const QByteArray& commandName,
                                                  Pop3::MultiLineReader& listing) {
    Pop3::StatusLine reply;
    if (auto failure = m_transport.readStatusLine(reply))
        return failure;
    if (auto failure = expectOk(commandName, reply))
        return failure;
    return m_transport.readMultiLine(listing);
}

Pop3Session::Result Pop3Session::readCapabilities() {
    m_capabilities.clear();
    Pop3::StatusLine reply;
    if (auto failure = command("CAPA", reply))
        return failure;
    if (!reply.ok)
        return std::nullopt; // a server from before CAPA: nothing beyond RFC 1939
    Pop3::MultiLineReader listing(maxCapabilityBytes);
    if (auto failure = m_transport.readMultiLine(listing))
        return failure;
    for (const QByteArrayView line : lines(listing.data())) {
        Pop3::Capability capability = Pop3::parseCapability(line);
        m_capabilities.insert(capability.name, capability.arguments);
    }
    return std::nullopt;
}

Pop3Session::Result Pop3Session::startTlsWhenOffered() {
    if (m_transport.address().security != ServerAddress::Security::StartTlsWhenOffered ||
        !offers("STLS"))
        return std::nullopt;
    Pop3::StatusLine reply;
    if (auto failure = command("STLS", reply))
        return failure;
    // A server that offered TLS and then refuses it may be under attack: the password is not
    // sent in the clear then.
    if (!reply.ok)
        return MailFailure::startTlsRefused(m_transport.address().host, reply.text);
    if (auto failure = m_transport.startTls())
        return failure;
    return readCapabilities();
}

Pop3Session::Result Pop3Session::login(const QByteArray& id, const QByteArray& password, bool apop,
                                       qint64& count) {
    if (m_transport.isBroken())
        return m_transport.brokenBy();
    if (m_loggedIn)
        return MailFailure::alreadyLoggedIn();
    if (!sendable(id) || !sendable(password))
        return MailFailure::unsendableCredentials();
    QByteArray lastCommand;
    if (auto failure = prepareLogin(id, password, apop, lastCommand))
        return failure;
    Pop3::StatusLine reply;
    if (auto failure = command(lastCommand, reply))
        return failure;
    if (!reply.ok)
        return MailFailure::loginRefused(reply.text);
    // Logged in: what goes wrong from here leaves replies unread, so it ends the connection.
    if (auto failure = readListing())
        return m_transport.breakWith(*failure);
    m_loggedIn = true;
    count = static_cast<qint64>(m_sizes.size());
    return std::nullopt;
}

Pop3Session::Result Pop3Session::prepareLogin(const QByteArray& id, const QByteArray& password,
                                              bool apop, QByteArray& lastCommand) {
    if (apop) {
        if (!m_apopTimestamp)
            return MailFailure::apopUnavailable();
        const QByteArray digest =
            QCryptographicHash::hash(*m_apopTimestamp + password, QCryptographicHash::Md5).toHex();
        lastCommand = "APOP " + id + ' ' + digest;
        return std::nullopt;
    }
    // SASL PLAIN (RFC 5034) logs in with one command. USER and PASS sent together would not
    // do as well: servers answer PASS only after the client acknowledged the reply to USER,
    // which TCP delays by some 40 ms.
    const QByteArray plain =
        "AUTH PLAIN " + (QByteArray(1, '\0') + id + '\0' + password).toBase64();
    constexpr qsizetype longestAuthLine = 255;
    if (m_capabilities.value("SASL").contains("PLAIN") && plain.size() <= longestAuthLine) {
        lastCommand = plain;
        return std::nullopt;
    }
    Pop3::StatusLine reply;
    if (auto failure = command("USER " + id, reply))
        return failure;
    if (!reply.ok)
        return MailFailure::loginRefused(reply.text);
    lastCommand = "PASS " + password;
    return std::nullopt;
}

Pop3Session::Result Pop3Session::readListing() {
    const bool pipelining = offers("PIPELINING");
    if (auto failure = m_transport.send(pipelining ? "STAT\r\nLIST\r\n" : "STAT\r\n"))
        return failure;
    Pop3::StatusLine reply;
    if (auto failure = m_transport.readStatusLine(reply))
        return failure;
    if (auto failure = expectOk("STAT", reply))
        return failure;
    const auto stat = Pop3::parseStat(reply.text);
    if (!stat)
        return MailFailure::protocol(m_transport.address().host, reply.text);
    if (stat->count > m_limits.maxMessages)
        return MailFailure::tooLarge(m_transport.address().host);

    if (!pipelining)
        if (auto failure = m_transport.send("LIST\r\n"))
            return failure;
    Pop3::MultiLineReader listing((stat->count + 1) * maxListingLineBytes);
    if (auto failure = readListingReply("LIST", listing))
        return failure;
    m_sizes.assign(static_cast<std::size_t>(stat->count), -1);
    for (const QByteArrayView line : lines(listing.data())) {
        const auto entry = Pop3::parseListEntry(line);
        if (!entry || entry->number > stat->count)
            return MailFailure::protocol(m_transport.address().host, line.toByteArray());
        m_sizes[static_cast<std::size_t>(entry->number - 1)] = entry->octets;
    }
    return std::nullopt;
}

Pop3Session::Result Pop3Session::uniqueIds(QStringList& ids) {
    if (m_transport.isBroken())
        return m_transport.brokenBy();
    if (!m_loggedIn)
        return MailFailure::notLoggedIn();
    // Its reply comes behind those of fetch commands sent ahead, which the next fetch asks again.
    if (auto failure = m_transport.send("UIDL\r\n"))
        return failure;
    if (auto failure = settleSentAhead())
        return failure;
    const auto count = static_cast<qsizetype>(m_sizes.size());
    Pop3::MultiLineReader listing((count + 1) * maxUniqueIdLineBytes);
    if (auto failure = readListingReply("UIDL", listing))
        return failure;
    // Read to its end, a listing that breaks the rules leaves the connection in step.
    QStringList byNumber(count);
    for (const QByteArrayView line : lines(listing.data())) {
        const auto entry = Pop3::parseUniqueIdEntry(line);
        if (!entry || entry->number > count || !byNumber[entry->number - 1].isEmpty())
            return MailFailure::protocol(host(), line.toByteArray());
        byNumber[entry->number - 1] = QString::fromLatin1(entry->id);
    }
    for (qsizetype i = 0; i < count; ++i)
        if (byNumber[i].isEmpty())
            return MailFailure::missingFromListing(host(), "UIDL", i + 1);
    ids = std::move(byNumber);
    return std::nullopt;
}

bool Pop3Session::knows(qint64 number) const {
    return m_loggedIn && number >= 1 && number <= static_cast<qint64>(m_sizes.size()) &&
           m_sizes[static_cast<std::size_t>(number - 1)] >= 0;
}

Pop3Session::Result Pop3Session::messageSize(qint64 number, qint64& octets) const {
    if (m_transport.isBroken())
        return m_transport.brokenBy();
    if (!knows(number))
        return MailFailure::noSuchMessage(number);
    octets = m_sizes[static_cast<std::size_t>(number - 1)];
    return std::nullopt;
}

QByteArray Pop3Session::fetchCommand(qint64 number) const {
    // TOP fetches without marking the message read, where RETR would on servers that keep such a
    // mark. Its line count is more than the lines of the largest message taken (every line is at
    // least one byte), so it never cuts a message short, whatever size the server announced.
    if (offers("TOP")) {
        const qint64 lineCount =
            qMin<qint64>(m_limits.maxMessageBytes + 1, std::numeric_limits<qint32>::max());
        return "TOP " + QByteArray::number(number) + ' ' + QByteArray::number(lineCount) + "\r\n";
    }
    return "RETR " + QByteArray::number(number) + "\r\n";
}

Pop3Session::Result Pop3Session::sendFetchCommands(qint64 through) {
    const bool pipelining = offers("PIPELINING");
    // Commands sent ahead are topped up once half of them are answered, in one write instead of
    // one for every reply: each write wakes the server's processes (all three behind TLS).
    if (pipelining && m_nextToSend > through &&
        (2 * std::ssize(m_inFlight) > m_limits.pipelineMessages ||
         2 * m_inFlightBytes > m_limits.pipelineBytes))
        return std::nullopt;
    const auto last = static_cast<qint64>(m_sizes.size());
    QByteArray batch;
    while (m_nextToSend <= last &&
           (m_nextToSend <= through ||
            (pipelining && std::ssize(m_inFlight) < m_limits.pipelineMessages &&
             m_inFlightBytes < m_limits.pipelineBytes))) {
        if (knows(m_nextToSend)) {
            batch += fetchCommand(m_nextToSend);
            m_inFlight.push_back(m_nextToSend);
            m_inFlightBytes += m_sizes[static_cast<std::size_t>(m_nextToSend - 1)];
        }
        ++m_nextToSend;
    }
    return batch.isEmpty() ? std::nullopt : m_transport.send(batch);
}

Pop3Session::Result Pop3Session::settleSentAhead() {
    while (!m_inFlight.empty())
        if (auto failure = receiveFetchReply(false))
            return failure;
    return std::nullopt;
}

Pop3Session::Result Pop3Session::receiveFetchReply(bool keep) {
    const qint64 number = m_inFlight.front();
    const qint64 announced = m_sizes[static_cast<std::size_t>(number - 1)];
    m_inFlight.pop_front();
    m_inFlightBytes -= announced;
    Pop3::StatusLine reply;
    if (auto failure = m_transport.readStatusLine(reply))
        return failure;
    if (!reply.ok && keep)
        return MailFailure::serverRefused(offers("TOP") ? "TOP" : "RETR", reply.text);
    if (!reply.ok)
        return std::nullopt;
    using Keep = Pop3::MultiLineReader::Keep;
    Pop3::MultiLineReader message(m_limits.maxMessageBytes, !keep                   ? Keep::Nothing
                                                            : m_limits.keepMessages ? Keep::All
                                                                                    : Keep::Header);
    if (keep)
        message.reserve(announced);
    if (auto failure = m_transport.readMultiLine(message, announced + m_inFlightBytes))
        return failure;
    if (keep) {
        m_current = std::move(message.data());
        m_currentLength = message.length();
        m_currentNumber = number;
    }
    return std::nullopt;
}

Pop3Session::Result Pop3Session::fetch(qint64 number, const QByteArray*& message) {
    if (m_transport.isBroken())
        return m_transport.brokenBy();
    if (number == m_currentNumber && number != 0) {
        message = &m_current;
        return std::nullopt;
    }
    if (!knows(number))
        return MailFailure::noSuchMessage(number);
    m_current.clear();
    m_currentNumber = 0;
    const bool ahead = std::find(m_inFlight.begin(), m_inFlight.end(), number) != m_inFlight.end();
    if (!ahead) {
        // Asked for a message out of order: settle what was sent ahead, then fetch it afresh.
        if (auto failure = settleSentAhead())
            return failure;
        m_nextToSend = number;
    }
    if (auto failure = sendFetchCommands(number))
        return failure;
    while (m_inFlight.front() != number)
        if (auto failure = receiveFetchReply(false))
            return failure;
    if (auto failure = receiveFetchReply(true))
        return failure;
    message = &m_current;
    return std::nullopt;
}

void Pop3Session::close() {
    // QUIT ends the session politely (nothing is to be deleted). Its reply would come behind
    // those of fetches sent ahead and never read: then the connection just closes.
    m_transport.close("QUIT\r\n", m_inFlight.empty() ? m_limits.farewellTimeoutMs : 0);
}
