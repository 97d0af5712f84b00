#include "platform/pop3/ConnectionRace.h"

#include <QHostInfo>
#include <QSslSocket>

#include <algorithm>

namespace {

// The resolver's order, with the families alternating from the first one on, so that a family
// that does not work holds up at most one attempt at a time.
QList<QHostAddress> alternateFamilies(const QList<QHostAddress>& addresses) {
    if (addresses.isEmpty())
        return addresses;
    const auto firstFamily = addresses.first().protocol();
    QList<QHostAddress> first, other;
    for (const QHostAddress& address : addresses)
        (address.protocol() == firstFamily ? first : other).append(address);
    QList<QHostAddress> ordered;
    for (qsizetype i = 0; i < qMax(first.size(), other.size()); ++i) {
        if (i < first.size())
            ordered.append(first[i]);
        if (i < other.size())
            ordered.append(other[i]);
    }
    return ordered;
}

} // namespace

ConnectionRace::ConnectionRace(std::function<std::unique_ptr<QSslSocket>()> makeSocket,
                               std::function<void()> settled)
    : m_makeSocket(std::move(makeSocket)), m_onSettled(std::move(settled)) {
    m_stagger.setSingleShot(true);
    QObject::connect(&m_stagger, &QTimer::timeout, &m_context, [this] { startNextAttempt(); });
}

ConnectionRace::~ConnectionRace() {
    if (m_lookupId != -1)
        QHostInfo::abortHostLookup(m_lookupId);
}

void ConnectionRace::start(const QString& host, quint16 port) {
    m_port = port;
    // An address written out needs no lookup, nor the thread Qt starts for one.
    if (const QHostAddress literal(host); !literal.isNull()) {
        addressesFound({literal});
        return;
    }
    m_lookupId = QHostInfo::lookupHost(host, &m_context, [this](const QHostInfo& info) {
        m_lookupId = -1;
        addressesFound(info.addresses());
    });
}

std::unique_ptr<QSslSocket> ConnectionRace::takeSocket() {
    return std::move(m_result);
}

void ConnectionRace::addressesFound(const QList<QHostAddress>& addresses) {
    m_addresses = alternateFamilies(addresses);
    if (m_addresses.isEmpty()) {
        m_hostNotFound = true;
        settle(nullptr);
        return;
    }
    startNextAttempt();
}

void ConnectionRace::startNextAttempt() {
    if (m_settled || m_nextAddress == m_addresses.size())
        return;
    std::unique_ptr<QSslSocket> socket = m_makeSocket();
    QSslSocket* const attempt = socket.get();
    QObject::connect(attempt, &QSslSocket::connected, &m_context,
                     [this, attempt] { settle(takeAttempt(attempt)); });
    QObject::connect(attempt, &QSslSocket::errorOccurred, &m_context,
                     [this, attempt] { attemptFailed(attempt); });
    m_attempts.push_back(std::move(socket));
    const QHostAddress address = m_addresses[m_nextAddress++];
    m_stagger.start(staggerMs);
    attempt->connectToHost(address, m_port);
}

void ConnectionRace::attemptFailed(QSslSocket* socket) {
    if (m_settled)
        return;
    std::unique_ptr<QSslSocket> failed = takeAttempt(socket);
    if (!failed)
        return;
    // Kept, not deleted: this may run inside the socket's own connectToHost, and starting the
    // next attempt from here may fail inside that one's in turn.
    QObject::disconnect(failed.get(), nullptr, &m_context, nullptr);
    m_failed.push_back(std::move(failed));
    if (!m_attempts.empty())
        return;
    if (m_nextAddress < m_addresses.size())
        startNextAttempt();
    else
        settle(std::move(m_failed.back()));
}

std::unique_ptr<QSslSocket> ConnectionRace::takeAttempt(QSslSocket* socket) {
    const auto it = std::find_if(m_attempts.begin(), m_attempts.end(),
                                 [socket](const auto& attempt) { return attempt.get() == socket; });
    if (it == m_attempts.end())
        return nullptr;
    std::unique_ptr<QSslSocket> taken = std::move(*it);
    m_attempts.erase(it);
    return taken;
}

void ConnectionRace::settle(std::unique_ptr<QSslSocket> socket) {
    m_stagger.stop();
    for (const auto& attempt : m_attempts)
        QObject::disconnect(attempt.get(), nullptr, &m_context, nullptr);
    m_result = std::move(socket);
    m_settled = true;
    m_onSettled();
}
