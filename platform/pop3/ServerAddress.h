#pragma once

#include <QString>
#include <optional>

// Where and how to reach a POP3 server, from the text typed into the settings.
struct ServerAddress {
    enum class Security {
        StartTlsWhenOffered, // "host", "host:port": plain, upgraded with STLS when offered
        ImplicitTls,         // "pop3s://": TLS from the first byte
        Plain,               // "pop3://": never TLS
    };

    QString host;
    quint16 port = 110;
    Security security = Security::StartTlsWhenOffered;
};

// Nothing for a text without a host or with a port outside 1 to 65535. IPv6 addresses stand in
// brackets when a port follows; a bare address with several colons is taken whole as the host.
std::optional<ServerAddress> parseServerAddress(QStringView text);
