#pragma once

#include "platform/pop3/MailFailure.h"
#include "platform/pop3/Pop3Parsing.h"
#include "platform/pop3/ServerAddress.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QList>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QSslSocket>
#include <functional>
#include <memory>
#include <optional>

// One connection to a POP3 server: the socket, TLS, and bounded waits for replies. After any
// failure the connection is broken for good.
//
// A wait runs the thread's event loop, so that windows keep painting; whatever that loop delivers
// runs inside the wait, nested in the call that waits. From there it may: paint, run timers, close
// this connection (close() then only breaks it, and the wait returns that failure), end the process
// at once, or wait on another connection (this wait resumes when that one returns, its deadline
// running on meanwhile). It must not delete the transport or its session, nor start a second wait
// on it (open, startTls, a read): a connection has one wait at a time. Nor may it quit the
// application's event loop: every later round of the wait then returns at once, and the wait spins
// until its time is up. The low-water mark a round may set (ReceiveBatching) is this socket's alone
// and is reset when the round returns.
class Pop3Transport {
public:
    using Result = std::optional<MailFailure>;

    // How long a wait may last, reply by reply: a reply (connecting, a handshake, a status line)
    // must be whole within the reply time of when it was asked for, however it trickles in; the
    // data of a multi-line reply must keep coming at the minimum rate, at least
    // minimumBytesPerWindow in every reply time, the first counted from when its status line was
    // asked for. So a reply that crawls ends within the reply time of its command, while a slow
    // server that answers each command in time is served, however long that takes in all.
    enum class Patience { Reply, Data };
    static constexpr qint64 minimumBytesPerWindow = 1024;

    Pop3Transport(const ServerAddress& address, int replyTimeoutMs, const QSslConfiguration& tls);
    Pop3Transport(const Pop3Transport&) = delete;
    Pop3Transport& operator=(const Pop3Transport&) = delete;

    const ServerAddress& address() const { return m_address; }

    // Connects to the first of the host's addresses that answers, with TLS from the first byte
    // for an implicit-TLS address.
    Result open();
    // Turns the plain connection into TLS after the server agreed to STLS. Bytes the server sent
    // before the handshake are dropped: they must never be taken for replies sent inside TLS.
    Result startTls();

    // Sends in one write, so that pipelined commands leave together.
    Result send(const QByteArray& bytes);
    Result readStatusLine(Pop3::StatusLine& status);
    // bytesOnTheWay: what the server will send from here on at least, this reply's data and that
    // of replies behind it, as far as the caller knows; 0 when it does not.
    Result readMultiLine(Pop3::MultiLineReader& reader, qint64 bytesOnTheWay = 0);

    // The connection can no longer be used: a failure happened or it was closed.
    bool isBroken() const { return m_broken.has_value(); }
    const std::optional<MailFailure>& brokenBy() const { return m_broken; }
    // A wait of this connection is running: the call that started it has not returned yet.
    bool isWaiting() const { return m_runningWait != nullptr; }
    // Makes the failure the connection's last word: every later call answers with it.
    Result breakWith(MailFailure failure);

    // Sends farewell and waits for its status line within farewellTimeoutMs, then closes. Called
    // while a wait of this connection is running (from an event that wait delivered), it closes
    // at once instead, and that wait returns a failure saying the connection was closed.
    void close(const QByteArray& farewell, int farewellTimeoutMs);

private:
    // The time of the reply awaited: a window that starts when the reply is asked for, and again
    // whenever its data brought enough in one.
    struct ReplyClock {
        void restart() {
            window.start();
            windowBytes = 0;
        }
        QElapsedTimer window;
        qint64 windowBytes = 0;
    };

    Result waitUntil(const std::function<bool()>& done, Patience patience,
                     qint64 bytesOnTheWay = 0);
    bool socketGone() const;
    qint64 timeLeft() const;
    // The window's time is up: the connection fails, or data that came fast enough starts the
    // next one. waitBytes: what this wait received.
    void endWindow(Patience patience, qint64 waitBytes);
    Result socketFailure();
    std::unique_ptr<QSslSocket> newSocket() const;
    void adopt(std::unique_ptr<QSslSocket> socket);

    ServerAddress m_address;
    int m_replyTimeoutMs;
    ReplyClock m_reply;
    QSslConfiguration m_tls;
    std::unique_ptr<QSslSocket> m_socket; // none until connected
    Pop3::ReadBuffer m_buffer;
    bool m_lineEndsKnown = false; // from the first status line, the greeting
    QList<QSslError> m_sslErrors;
    std::optional<MailFailure> m_broken;
    QEventLoop* m_runningWait = nullptr;
};
