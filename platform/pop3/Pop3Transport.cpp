#include "platform/pop3/Pop3Transport.h"

#include "platform/pop3/ConnectionRace.h"
#include "platform/pop3/ReceiveBatching.h"
#include "platform/pop3/SocketReason.h"
#include "platform/pop3/TcpTuning.h"
#include "platform/pop3/WakeableLoop.h"

#include <QSslConfiguration>
#include <QStringList>

#include <cerrno>
#include <utility>

namespace {

QString describeSslErrors(const QList<QSslError>& errors) {
    QStringList reasons;
    for (const QSslError& error : errors) {
        QString reason;
        switch (error.error()) {
        case QSslError::HostNameMismatch:
            reason = QStringLiteral("証明書がこのサーバー名のものではありません。");
            break;
        case QSslError::SelfSignedCertificate:
        case QSslError::SelfSignedCertificateInChain:
            reason = QStringLiteral("自己署名の証明書で、信頼できる発行者の署名がありません。");
            break;
        case QSslError::UnableToGetLocalIssuerCertificate:
        case QSslError::UnableToGetIssuerCertificate:
        case QSslError::UnableToVerifyFirstCertificate:
            reason = QStringLiteral("証明書の発行者が信頼されていません。");
            break;
        case QSslError::CertificateExpired:
            reason = QStringLiteral("証明書の有効期限が切れています。");
            break;
        case QSslError::CertificateNotYetValid:
            reason = QStringLiteral("証明書の有効期間がまだ始まっていません。");
            break;
        case QSslError::CertificateRevoked:
            reason = QStringLiteral("証明書が失効しています。");
            break;
        default:
            reason = error.errorString();
        }
        if (!reasons.contains(reason))
            reasons << reason;
    }
    return reasons.join(u' ');
}

} // namespace

Pop3Transport::Pop3Transport(const ServerAddress& address, int replyTimeoutMs,
                             const QSslConfiguration& tls)
    : m_address(address), m_replyTimeoutMs(replyTimeoutMs), m_tls(tls) {
    m_reply.restart();
}

std::unique_ptr<QSslSocket> Pop3Transport::newSocket() const {
    auto socket = std::make_unique<QSslSocket>();
    socket->setSslConfiguration(m_tls);
    socket->setPeerVerifyName(m_address.host);
    socket->setReadBufferSize(ReceiveBatching::socketReadBufferBytes);
    return socket;
}

void Pop3Transport::adopt(std::unique_ptr<QSslSocket> socket) {
    m_socket = std::move(socket);
    // Pipelined commands go out at once: Nagle's algorithm would hold each small write back
    // until the previous one is acknowledged.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    QObject::connect(m_socket.get(), &QSslSocket::sslErrors,
                     [this](const QList<QSslError>& errors) { m_sslErrors += errors; });
}

Pop3Transport::Result Pop3Transport::breakWith(MailFailure failure) {
    if (!m_broken)
        m_broken = std::move(failure);
    if (m_socket)
        m_socket->abort();
    m_buffer.clear();
    if (m_runningWait)
        m_runningWait->quit();
    return m_broken;
}

Pop3Transport::Result Pop3Transport::socketFailure() {
    const int systemError = errno; // the system's last word, for a failure Qt cannot name
    const QString host = m_address.host;
    if (!m_sslErrors.isEmpty())
        return breakWith(MailFailure::certificateRejected(host, describeSslErrors(m_sslErrors)));
    switch (m_socket->error()) {
    case QAbstractSocket::HostNotFoundError:
        return breakWith(MailFailure::hostNotFound(host));
    case QAbstractSocket::ConnectionRefusedError:
        return breakWith(MailFailure::connectionRefused(host, m_address.port));
    case QAbstractSocket::RemoteHostClosedError:
        return breakWith(MailFailure::connectionLost(host));
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
        return breakWith(MailFailure::tlsFailed(host, m_socket->errorString()));
    default:
        return breakWith(MailFailure::connectionFailed(
            host, socketReason(m_socket->error(), m_socket->errorString(), systemError)));
    }
}

Pop3Transport::Result Pop3Transport::waitUntil(const std::function<bool()>& done, Patience patience,
                                               qint64 bytesOnTheWay) {
    if (m_broken)
        return m_broken;
    if (patience == Patience::Reply)
        m_reply.restart();
    // Only a long reply's data comes in batches worth waiting for.
    const qint64 stillComing =
        patience == Patience::Data ? bytesOnTheWay - m_buffer.unread().size() : 0;
    ReceiveBatching batching(m_socket.get(), stillComing);
    WakeableLoop loop(m_socket.get());
    QEventLoop* const outerWait = std::exchange(m_runningWait, &loop.eventLoop());
    // Every failure breaks the connection, which ends the wait; so may an event it delivers.
    while (!m_broken && !done()) {
        if (m_socket && m_socket->bytesAvailable() > 0)
            m_reply.windowBytes += batching.readInto(m_buffer);
        else if (socketGone())
            socketFailure();
        else if (const qint64 left = timeLeft(); left <= 0)
            endWindow(patience, batching.received());
        else
            batching.waitOneRound(loop, left);
    }
    m_runningWait = outerWait;
    return m_broken;
}

bool Pop3Transport::socketGone() const {
    return m_socket && (m_socket->state() == QAbstractSocket::UnconnectedState ||
                        m_socket->error() != QAbstractSocket::UnknownSocketError);
}

qint64 Pop3Transport::timeLeft() const {
    return m_replyTimeoutMs - m_reply.window.elapsed();
}

void Pop3Transport::endWindow(Patience patience, qint64 waitBytes) {
    const int seconds = (m_replyTimeoutMs + 999) / 1000;
    // Data that never followed its status line is no answer rather than a slow one.
    if (patience == Patience::Reply || m_reply.windowBytes == 0 || waitBytes == 0) {
        breakWith(MailFailure::timedOut(m_address.host, seconds));
    } else if (m_reply.windowBytes < minimumBytesPerWindow) {
        breakWith(MailFailure::tooSlow(m_address.host, m_reply.windowBytes, seconds));
    } else {
        m_reply.restart();
    }
}

Pop3Transport::Result Pop3Transport::open() {
    ConnectionRace race([this] { return newSocket(); },
                        [this] {
                            if (m_runningWait)
                                m_runningWait->quit();
                        });
    race.start(m_address.host, m_address.port);
    if (const Result waited = waitUntil([&race] { return race.isSettled(); }, Patience::Reply))
        return waited;
    if (race.hostNotFound())
        return breakWith(MailFailure::hostNotFound(m_address.host));
    adopt(race.takeSocket());
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        return socketFailure();
    TcpTuning::openReceiveWindow(m_socket->socketDescriptor());
    if (m_address.security != ServerAddress::Security::ImplicitTls)
        return std::nullopt;
    m_socket->startClientEncryption();
    return waitUntil([this] { return m_socket->isEncrypted(); }, Patience::Reply);
}

Pop3Transport::Result Pop3Transport::startTls() {
    if (m_broken)
        return m_broken;
    m_socket->readAll();
    m_buffer.clear();
    m_socket->startClientEncryption();
    return waitUntil([this] { return m_socket->isEncrypted(); }, Patience::Reply);
}

Pop3Transport::Result Pop3Transport::send(const QByteArray& bytes) {
    if (m_broken)
        return m_broken;
    if (m_socket->write(bytes) != bytes.size())
        return socketFailure();
    return std::nullopt;
}

Pop3Transport::Result Pop3Transport::readStatusLine(Pop3::StatusLine& status) {
    std::optional<Pop3::ReadBuffer::Line> line;
    bool tooLong = false;
    const Result waited = waitUntil(
        [&] {
            line = m_buffer.takeLine();
            tooLong = !line && m_buffer.partialLineBytes() > Pop3::maxStatusLineBytes;
            return line.has_value() || tooLong;
        },
        Patience::Reply);
    if (waited)
        return waited;
    if (tooLong || line->raw.size() > Pop3::maxStatusLineBytes)
        return breakWith(MailFailure::tooLarge(m_address.host));
    // The greeting shows how the server ends its lines: one that ends them with CR LF has a lone
    // LF only inside data, where it must not end a line or a message.
    if (!m_lineEndsKnown && line->raw.endsWith("\r\n"))
        m_buffer.endLinesWithCrLfOnly();
    m_lineEndsKnown = true;
    const auto parsed = Pop3::parseStatusLine(line->text);
    if (!parsed)
        return breakWith(MailFailure::protocol(m_address.host, line->text.toByteArray()));
    status = *parsed;
    return std::nullopt;
}

Pop3Transport::Result Pop3Transport::readMultiLine(Pop3::MultiLineReader& reader,
                                                   qint64 bytesOnTheWay) {
    auto progress = Pop3::MultiLineReader::Progress::NeedMore;
    const Result waited = waitUntil(
        [&] {
            progress = reader.consume(m_buffer);
            return progress != Pop3::MultiLineReader::Progress::NeedMore;
        },
        Patience::Data, bytesOnTheWay);
    if (waited)
        return waited;
    if (progress == Pop3::MultiLineReader::Progress::TooLarge)
        return breakWith(MailFailure::tooLarge(m_address.host));
    return std::nullopt;
}

void Pop3Transport::close(const QByteArray& farewell, int farewellTimeoutMs) {
    if (m_runningWait) {
        breakWith(MailFailure::closedWhileWaiting());
        return;
    }
    if (!m_broken && m_socket && send(farewell) == std::nullopt) {
        // Some servers log a broken pipe for a client that leaves before the farewell's reply.
        m_replyTimeoutMs = farewellTimeoutMs;
        Pop3::StatusLine ignored;
        readStatusLine(ignored);
    }
    breakWith(MailFailure::badHandle());
}
