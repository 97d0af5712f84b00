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

} // namespace

std::optional<ServerAddress> parseServerAddress(QStringView text) {
    ServerAddress address;
    QStringView rest = text.trimmed();
    quint16 defaultPort = pop3Port;
    if (rest.startsWith(u"pop3s://", Qt::CaseInsensitive)) {
        address.security = ServerAddress::Security::ImplicitTls;
        defaultPort = pop3sPort;
        rest = rest.sliced(8);
    } else if (rest.startsWith(u"pop3://", Qt::CaseInsensitive)) {
        address.security = ServerAddress::Security::Plain;
        rest = rest.sliced(7);
    }
    if (rest.endsWith(u'/'))
        rest.chop(1);

    QStringView portText;
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        if (close < 0)
            return std::nullopt;
        const QStringView after = rest.sliced(close + 1);
        if (!after.isEmpty() && !after.startsWith(u':'))
            return std::nullopt;
        portText = after.isEmpty() ? QStringView() : after.sliced(1);
        if (!after.isEmpty() && portText.isEmpty())
            return std::nullopt;
        rest = rest.sliced(1, close - 1);
    } else if (rest.count(u':') == 1) {
        const qsizetype colon = rest.indexOf(u':');
        portText = rest.sliced(colon + 1);
        if (portText.isEmpty())
            return std::nullopt;
        rest = rest.first(colon);
    }
    if (rest.isEmpty() || rest.contains(u' ') || rest.contains(u'/'))
        return std::nullopt;
    address.host = rest.toString();
    address.port = defaultPort;
    if (!portText.isEmpty()) {
        const auto port = parsePort(portText);
        if (!port)
            return std::nullopt;
        address.port = *port;
    }
    return address;
}
