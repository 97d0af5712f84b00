#include "platform/pop3/ServerAddress.h"

namespace {

constexpr quint16 pop3Port = 110;
constexpr quint16 pop3sPort = 995;

std::optional<quint16> parsePort(QStringView text) {
    bool ok = false;
    const uint port = text.toUInt(&ok);
    if (!ok || port < 1 || port > 65535)
        return std::nullopt;
    return static_cast<quint16>(port);
}

// Takes a "pop3s://" or "pop3://" off the front; the port that goes without a number.
quint16 takeScheme(QStringView& rest, ServerAddress::Security& security) {
    if (rest.startsWith(u"pop3s://", Qt::CaseInsensitive)) {
        security = ServerAddress::Security::ImplicitTls;
        rest = rest.sliced(8);
        return pop3sPort;
    }
    if (rest.startsWith(u"pop3://", Qt::CaseInsensitive)) {
        security = ServerAddress::Security::Plain;
        rest = rest.sliced(7);
    }
    return pop3Port;
}

// The host and the port's text of "host", "host:port", "[host]" or "[host]:port" (the port's
// text empty when there is none); nothing for a colon with no port after it. A host with more
// than one colon and no brackets is an IPv6 address without a port.
std::optional<std::pair<QStringView, QStringView>> splitHostAndPort(QStringView rest) {
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        if (close < 0)
            return std::nullopt;
        const QStringView host = rest.sliced(1, close - 1);
        const QStringView after = rest.sliced(close + 1);
        if (after.isEmpty())
            return std::pair(host, QStringView());
        if (!after.startsWith(u':') || after.size() == 1)
            return std::nullopt;
        return std::pair(host, after.sliced(1));
    }
    if (rest.count(u':') != 1)
        return std::pair(rest, QStringView());
    const qsizetype colon = rest.indexOf(u':');
    if (colon + 1 == rest.size())
        return std::nullopt;
    return std::pair(rest.first(colon), rest.sliced(colon + 1));
}

} // namespace

std::optional<ServerAddress> parseServerAddress(QStringView text) {
    ServerAddress address;
    QStringView rest = text.trimmed();
    address.port = takeScheme(rest, address.security);
    if (rest.endsWith(u'/'))
        rest.chop(1);
    const auto parts = splitHostAndPort(rest);
    if (!parts)
        return std::nullopt;
    const auto [host, portText] = *parts;
    if (host.isEmpty() || host.contains(u' ') || host.contains(u'/'))
        return std::nullopt;
    address.host = host.toString();
    if (!portText.isEmpty()) {
        const auto port = parsePort(portText);
        if (!port)
            return std::nullopt;
        address.port = *port;
    }
    return address;
}
