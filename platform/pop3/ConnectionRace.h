#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

class QSslSocket;

// Connects to the first of a host's addresses that answers, as RFC 8305 asks: the addresses are
// tried in turn, IPv6 and IPv4 alternating, each next one 250 ms after the one before started (or
// at once when every earlier attempt failed), earlier attempts kept open. A dead address, such as
// an IPv6 route that drops everything, so costs a moment instead of a whole connect timeout.
// The race sets no deadline of its own: the caller stops waiting when its time is up.
//
// An attempt may fail inside its own connectToHost (an unreachable network, a refused address),
// and the next one then starts inside that failure's signal; so no socket of the race is deleted
// before the race ends: a failed one is kept, disconnected, until then.
class ConnectionRace {
public:
    static constexpr int staggerMs = 250;

    // makeSocket gives each attempt its socket; settled is called once, when the race is over.
    ConnectionRace(std::function<std::unique_ptr<QSslSocket>()> makeSocket,
                   std::function<void()> settled);
    ~ConnectionRace();
    ConnectionRace(const ConnectionRace&) = delete;
    ConnectionRace& operator=(const ConnectionRace&) = delete;

    void start(const QString& host, quint16 port);

    bool isSettled() const { return m_settled; }
    // The name has no address.
    bool hostNotFound() const { return m_hostNotFound; }
    // Once settled: the connected socket, or the last one that failed (its error tells why); none
    // when the host was not found.
    std::unique_ptr<QSslSocket> takeSocket();

private:
    void addressesFound(const QList<QHostAddress>& addresses);
    void startNextAttempt();
    void attemptFailed(QSslSocket* socket);
    // The running attempt of that socket, out of the running; none when it is not one.
    std::unique_ptr<QSslSocket> takeAttempt(QSslSocket* socket);
    void settle(std::unique_ptr<QSslSocket> socket);

    std::function<std::unique_ptr<QSslSocket>()> m_makeSocket;
    std::function<void()> m_onSettled;
    QObject m_context; // receives the lookup's answer; its end cancels that delivery
    int m_lookupId = -1;
    quint16 m_port = 0;
    QList<QHostAddress> m_addresses; // in the order they are tried
    qsizetype m_nextAddress = 0;
    std::vector<std::unique_ptr<QSslSocket>> m_attempts; // still running
    std::vector<std::unique_ptr<QSslSocket>> m_failed;   // the last one tells why, when all failed
    QTimer m_stagger;
    std::unique_ptr<QSslSocket> m_result;
    bool m_hostNotFound = false;
    bool m_settled = false;
};
