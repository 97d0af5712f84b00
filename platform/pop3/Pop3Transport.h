#pragma once

#include "platform/pop3/MailFailure.h"
#include "platform/pop3/Pop3Parsing.h"
#include "platform/pop3/ServerAddress.h"

#include <QList>
#include <QSslCertificate>
#include <QSslError>
#include <QSslSocket>
#include <functional>
#include <optional>

// One connection to a POP3 server: the socket, TLS, and bounded waits for replies. A wait runs
// the thread's event loop without user input, so that windows keep painting, and fails after
// timeoutMs without a byte from the server. After any failure the connection is broken for good.
class Pop3Transport {
public:
    using Result = std::optional<MailFailure>;

    Pop3Transport(const ServerAddress& address, int timeoutMs,
                  const QList<QSslCertificate>& extraCaCertificates);
    Pop3Transport(const Pop3Transport&) = delete;
    Pop3Transport& operator=(const Pop3Transport&) = delete;

    const ServerAddress& address() const { return m_address; }

    // Connects, with TLS from the first byte for an implicit-TLS address.
    Result open();
    // Turns the plain connection into TLS after the server agreed to STLS. Bytes the server sent
    // before the handshake are dropped: they must never be taken for replies sent inside TLS.
    Result startTls();

    // Sends in one write, so that pipelined commands leave together.
    Result send(const QByteArray& bytes);
    Result readStatusLine(Pop3::StatusLine& status);
    Result readMultiLine(Pop3::MultiLineReader& reader);

    // The connection can no longer be used: a failure happened or it was closed.
    bool isBroken() const { return m_broken.has_value(); }
    const std::optional<MailFailure>& brokenBy() const { return m_broken; }

    // Sends farewell, if the connection still works, and closes without waiting for a reply.
    void close(const QByteArray& farewell);

private:
    Result waitUntil(const std::function<bool()>& done);
    Result fail(MailFailure failure);
    Result socketFailure();

    ServerAddress m_address;
    int m_timeoutMs;
    QSslSocket m_socket;
    Pop3::ReadBuffer m_buffer;
    QList<QSslError> m_sslErrors;
    std::optional<MailFailure> m_broken;
};
