#pragma once

#include "platform/pop3/MailFailure.h"
#include "platform/pop3/Pop3Parsing.h"
#include "platform/pop3/Pop3Transport.h"

#include <QHash>
#include <QStringList>
#include <deque>
#include <vector>

// One visit to a POP3 mailbox: greeting, STLS, login, and the messages fetched in order without
// marking them read. Where the server offers PIPELINING, commands are sent ahead within the
// transaction state only (STAT with LIST, and the fetch commands for the next messages while the
// current one is read; UIDL behind any still unanswered), so the link never idles between
// messages. Nothing is ever sent behind a login command before its reply: some servers hand the
// connection to a new process at login and drop whatever was read ahead.
class Pop3Session {
public:
    using Result = std::optional<MailFailure>;

    struct Limits {
        int timeoutMs = 30'000;
        int farewellTimeoutMs = 3'000;
        qint64 maxMessages = 1'000'000;
        qsizetype maxMessageBytes = 256 * 1024 * 1024;
        // False: of a fetched message only its start is held, enough for its headers, and it
        // costs no memory however large it is.
        bool keepMessages = true;
        // Fetch commands sent ahead at most, and the announced bytes of their messages: enough to
        // keep a fast link with a long round trip busy. What the server sends ahead waits in
        // TCP's buffers, not in ours.
        int pipelineMessages = 256;
        qint64 pipelineBytes = 64'000'000;
    };

    Pop3Session(const ServerAddress& address, const Limits& limits, const QSslConfiguration& tls);

    const QString& host() const { return m_transport.address().host; }
    // A call on this session waits for the server; another call must not start meanwhile.
    bool isBusy() const { return m_transport.isWaiting(); }

    // Greeting, capabilities and STLS.
    Result open();
    // Logs in and returns the number of messages.
    Result login(const QByteArray& id, const QByteArray& password, bool apop, qint64& count);
    Result messageSize(qint64 number, qint64& octets) const;
    // The unique id of every message, by number - 1, from one UIDL listing that names each
    // message once.
    Result uniqueIds(QStringList& ids);
    // The whole message (its start only where messages are not kept); it stays available until
    // another message is fetched, and so does its whole length.
    Result fetch(qint64 number, const QByteArray*& message);
    qint64 fetchedLength() const { return m_currentLength; }
    void close();

private:
    Result command(const QByteArray& line, Pop3::StatusLine& reply);
    Result expectOk(const QByteArray& commandName, const Pop3::StatusLine& reply);
    // The status line of a command's reply, and the listing that follows where it is "+OK".
    Result readListingReply(const QByteArray& commandName, Pop3::MultiLineReader& listing);
    Result readCapabilities();
    Result startTlsWhenOffered();
    Result readListing();
    Result sendFetchCommands(qint64 through);
    // Reads the replies to the fetch commands sent ahead and drops them.
    Result settleSentAhead();
    // Reads the reply to the oldest fetch command sent; keep makes it the current message.
    Result receiveFetchReply(bool keep);
    QByteArray fetchCommand(qint64 number) const;
    bool knows(qint64 number) const;
    bool offers(const QByteArray& capability) const { return m_capabilities.contains(capability); }
    // Everything of the login but its last command, which login sends and awaits.
    Result prepareLogin(const QByteArray& id, const QByteArray& password, bool apop,
                        QByteArray& lastCommand);

    Limits m_limits;
    Pop3Transport m_transport;
    std::optional<QByteArray> m_apopTimestamp;           // from the greeting, for APOP
    QHash<QByteArray, QList<QByteArray>> m_capabilities; // name to arguments
    bool m_loggedIn = false;
    std::vector<qint64> m_sizes;   // by message number - 1; -1 when the listing left it out
    qint64 m_nextToSend = 1;       // the first message no fetch command has been sent for
    std::deque<qint64> m_inFlight; // messages whose fetch replies are still to be read
    qint64 m_inFlightBytes = 0;    // their announced sizes
    qint64 m_currentNumber = 0;
    QByteArray m_current;
    qint64 m_currentLength = 0;
};
