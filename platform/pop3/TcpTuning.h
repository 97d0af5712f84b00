#pragma once

#include <QtGlobal>

// Linux TCP settings the mail library changes while it waits for a server. Each is for speed
// alone: where one cannot be set, the library works as before, only slower.
namespace TcpTuning {

// A server that sends two small replies in a row (Nagle's algorithm) holds the second until the
// first is acknowledged, and Linux delays that acknowledgement by 40 ms when it expects to send
// it with the next command. Called before waiting for a reply, this sends it at once.
void acknowledgeAtOnce(qintptr socket);

// Wakes the reader only once this many bytes have come (or the connection ends), instead of for
// every segment; 1 restores that. Kept below a quarter of the receive buffer: Linux narrows the
// window to a mark above it.
void wakeAfter(qintptr socket, int bytes);

// Lets the receive window grow past Linux's first buffer (128 KiB, a 79 KiB window) from the first
// round trip, leaving the kernel's autotuning on. Called once, when connected.
//
// Linux grows the buffer by what the reader took in the last round trip less what still waits
// unread. Where a link hands a whole window over at once (Wi-Fi, mobile; bench/'s bursty line),
// the reader wakes to find it all waiting in every round trip, so the buffer never grows: 1,000
// × 20 KB took 1.0 s in some checks and up to 4.5 s in others, at one window per round trip. A
// low-water mark makes Linux raise the buffer to hold it, without fixing its size as SO_RCVBUF
// would (which also caps it at rmem_max, 208 KiB on a stock machine); the mark itself is put back
// at once. With it, 8 checks of 8 took 0.99–1.03 s.
void openReceiveWindow(qintptr socket);

} // namespace TcpTuning
