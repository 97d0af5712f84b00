#pragma once

#include <QEventLoop>
#include <QSslSocket>
#include <QTimer>

// The event loop a wait for the server runs: news from the socket or an alarm ends each round.
class WakeableLoop {
public:
    explicit WakeableLoop(QSslSocket* socket) {
        m_alarm.setSingleShot(true);
        QObject::connect(&m_alarm, &QTimer::timeout, &m_loop, &QEventLoop::quit);
        if (!socket)
            return;
        // Connected to the loop, so that they go with it.
        const auto wake = [this] { wakeUp(); };
        QObject::connect(socket, &QSslSocket::readyRead, &m_loop, wake);
        QObject::connect(socket, &QSslSocket::encrypted, &m_loop, wake);
        QObject::connect(socket, &QSslSocket::disconnected, &m_loop, wake);
        QObject::connect(socket, &QSslSocket::errorOccurred, &m_loop, wake);
    }

    QEventLoop& eventLoop() { return m_loop; }

    // One round, of at most ms: whether the socket ended it.
    bool runFor(qint64 ms) {
        m_woken = false;
        m_alarm.start(static_cast<int>(ms));
        // Not without user input: Qt counts a window manager's request to close a window as
        // input, and a program must be able to end during a long wait.
        m_loop.exec();
        return m_woken;
    }

private:
    // Quitting wakes the event loop through a system call; a TLS socket signals readyRead for
    // every 4 KiB it decrypts, so only the first signal of a round quits.
    void wakeUp() {
        if (!m_woken)
            m_loop.quit();
        m_woken = true;
    }

    QEventLoop m_loop;
    QTimer m_alarm;
    bool m_woken = false;
};
