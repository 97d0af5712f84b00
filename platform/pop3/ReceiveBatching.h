#pragma once

#include "platform/pop3/Pop3Parsing.h"

#include <QSslSocket>
#include <QtGlobal>

class WakeableLoop;

// How one wait takes in what the server sends: piece by piece from Qt's buffer, and, while a long
// reply's data is on its way, woken once a batch of it has come rather than for every segment or
// TLS record. For speed and memory alone: the wait's deadlines are the transport's.
//
// Woken for each segment, on two cores, Dovecot's TLS proxy, its pop3 process and our client
// shared one core and handed over every 16 KB record, each waiting half the time (1,136 wake-ups
// of ours for 1,000 × 20 KB over TLS). Woken per batch: 88, and the POP3S check of that mailbox
// went from 0.96 to 0.73–0.85 of mpop's time (bench/README.md, third run).
class ReceiveBatching {
public:
    // Qt buffers no more than this much of what the server sends ahead of us; TCP holds the rest.
    // Smaller ones (64–128 KiB) cost more processor, in more rounds, and saved no time.
    static constexpr qint64 socketReadBufferBytes = 1024 * 1024;

    // socket: none while connecting. stillComing: what the server owes this wait at least,
    // beyond what is already buffered; 0 or less when no batch is worth waiting for.
    ReceiveBatching(QSslSocket* socket, qint64 stillComing);

    // Moves one piece of what the socket holds into the buffer: the bytes moved.
    qint64 readInto(Pop3::ReadBuffer& buffer);
    // What this wait has received.
    qint64 received() const { return m_received; }
    // One round of the wait's event loop, at most leftMs. The socket acknowledges at once (Linux
    // keeps that only for a while: set every round) and, while a batch is awaited, wakes the
    // round only once the batch has come (reset when the round returns).
    void waitOneRound(WakeableLoop& loop, qint64 leftMs);

private:
    // Bytes worth waking for in the next round: 0 for whatever comes.
    int nextBatch() const;

    QSslSocket* m_socket;
    qint64 m_stillComingAtStart;
    qint64 m_received = 0;
    // The last batch did not fill in time: the next round takes whatever comes.
    bool m_batchRanOut = false;
};
