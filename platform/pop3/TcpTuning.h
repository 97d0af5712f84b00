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

} // namespace TcpTuning
