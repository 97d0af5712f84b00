#pragma once

#include <QList>
#include <QSslCertificate>

// The library's own settings, reached by no setting of the program: tests and benchmarks use
// them to trust a test certificate authority and to wait less for a silent server.
namespace NMailLibrary {

inline constexpr int defaultStatusBufferSize = 8192;

bool isInitialized();
int statusBufferSize();

// Certificates trusted besides the system's store, for the connections made from now on.
void addTrustedCaCertificates(const QList<QSslCertificate>& certificates);
// How long a wait for the server may last without a byte arriving.
void setReplyTimeoutMs(int milliseconds);
// The largest message read before the connection is given up.
void setMaxMessageBytes(qsizetype bytes);

} // namespace NMailLibrary
