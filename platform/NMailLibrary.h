#pragma once

#include <QString>

// The library's own settings, reached by no setting of the program: tests and benchmarks use
// them to trust a test certificate authority and to wait less for a silent server.
namespace NMailLibrary {

inline constexpr int defaultStatusBufferSize = 8192;

bool isInitialized();
int statusBufferSize();

// Trusts the certificate authorities of a PEM file besides the system's store, for the
// connections made from now on. False when the file holds no certificate.
bool addTrustedCaCertificateFile(const QString& path);
// How long a wait for the server may last without a byte arriving.
void setReplyTimeoutMs(int milliseconds);
// The largest message read before the connection is given up.
void setMaxMessageBytes(qsizetype bytes);

} // namespace NMailLibrary
