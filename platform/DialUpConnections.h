#pragma once

#include <QDBusObjectPath>
#include <QList>

// The dial-up connections of the system: NetworkManager's active connections, on the system
// D-Bus, of a modem or PPP kind (gsm, cdma, pppoe, adsl, and bluetooth dial-up networking, the
// bluetooth ones told apart by their settings' bluetooth.type "dun"). Ethernet, Wi-Fi, VPN,
// bridges, bluetooth PAN and every other kind are never listed, so never hung up.
//
// Bounds: listing returns within listingBoundMs (1 s) whatever the bus does. The D-Bus calls run
// on a thread of their own, each with what is left of that second as its timeout, and the caller
// waits for them at most that second: a NetworkManager that does not answer, or a system bus that
// stalls even before the connection to it is made, costs the caller 1 s at most, and its late
// answers are thrown away. Without a system bus, or without NetworkManager on it, listing returns
// at once (NetworkManager is never started just to be asked). Hanging up never waits.
namespace DialUpConnections {

inline constexpr int listingBoundMs = 1000;

// The active dial-up connections in NetworkManager's order, at most maxCount of them. Empty when
// there are none, or when the list could not be had within the bound. A connection that vanishes
// while it is looked at is left out.
QList<QDBusObjectPath> listActive(qsizetype maxCount);

// Asks NetworkManager to hang the active connection up, and returns without waiting for the line
// to go down or for an answer; a refusal is never seen.
void hangUp(const QDBusObjectPath& activeConnection);

} // namespace DialUpConnections
