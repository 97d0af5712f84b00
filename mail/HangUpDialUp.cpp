#include "mail/HangUpDialUp.h"

#include "platform/DialUpConnections.h"

namespace {

// The program never looked at more connections than this at once.
constexpr qsizetype maxConnections = 256;

} // namespace

void HangUpDialUp() {
    const QList<QDBusObjectPath> connections = DialUpConnections::listActive(maxConnections);
    for (const QDBusObjectPath& connection : connections)
        DialUpConnections::hangUp(connection);
}
