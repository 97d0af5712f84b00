#pragma once

#include <QString>

#include <functional>

// The library's own settings, reached by no setting of the program: tests and benchmarks use
// them to trust a test certificate authority and to wait less for a silent server; the program
// and the benchmarks hook their heap policy in.
namespace NMailLibrary {

inline constexpr int defaultStatusBufferSize = 8192;

bool isInitialized();
int statusBufferSize();

// Trusts the certificate authorities of a PEM file besides the system's store, for the
// connections made from now on. False when the file holds no certificate.
bool addTrustedCaCertificateFile(const QString& path);
// How long the server may take to answer each command, counted from the command (not from the
// last byte that came): a reply's status line, connecting and a TLS handshake must be done within
// it; the data of a multi-line reply must keep coming, at least 1 KiB in every such time, the
// first counted from the command. A server that answers every command in time is served, however
// long the whole check takes.
void setReplyTimeoutMs(int milliseconds);
// The largest message read before the connection is given up.
void setMaxMessageBytes(qsizetype bytes);
// Runs after NMailPop3Close has closed a connection (none at first; an empty one removes it): the
// moment a program that tunes its heap for a check may give back what it kept. The library itself
// leaves the process's allocator as it finds it.
void setAfterCloseHook(std::function<void()> hook);

} // namespace NMailLibrary
