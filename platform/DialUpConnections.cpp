#include "platform/DialUpConnections.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QMap>
#include <QVariant>

#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

QString networkManager() {
    return QStringLiteral("org.freedesktop.NetworkManager");
}
QString managerPath() {
    return QStringLiteral("/org/freedesktop/NetworkManager");
}
QString propertiesInterface() {
    return QStringLiteral("org.freedesktop.DBus.Properties");
}

// One call to NetworkManager with what is left of the time. Its reply, which may be an error
// answer; nothing when no answer came in time (or there is no bus to ask).
std::optional<QDBusMessage> ask(const QDBusConnection& bus, const QString& path,
                                const QString& interface, const QString& method,
                                const QVariantList& arguments, Clock::time_point deadline) {
    using std::chrono::milliseconds;
    const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now()).count();
    if (left <= 0)
        return std::nullopt;
    QDBusMessage call = QDBusMessage::createMethodCall(networkManager(), path, interface, method);
    call.setArguments(arguments);
    // Only a NetworkManager that runs is asked: a stopped one is not started for this.
    call.setAutoStartService(false);
    const QDBusMessage reply = bus.call(call, QDBus::Block, static_cast<int>(left));
    const QDBusError::ErrorType error = QDBusError(reply).type();
    if (error == QDBusError::NoReply || error == QDBusError::Timeout ||
        error == QDBusError::Disconnected || Clock::now() >= deadline)
        return std::nullopt;
    return reply;
}

// The value of a reply's argument when it has the D-Bus type asked for.
template <typename T> std::optional<T> read(const QVariant& value, QLatin1String signature) {
    if (value.metaType() != QMetaType::fromType<QDBusArgument>())
        return std::nullopt;
    const auto argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != signature)
        return std::nullopt;
    return qdbus_cast<T>(argument);
}

// Bluetooth is dial-up only for dial-up networking ("dun"), not for a personal area network.
std::optional<bool> isBluetoothDialUp(const QDBusConnection& bus, const QDBusObjectPath& settings,
                                      Clock::time_point deadline) {
    if (settings.path().isEmpty())
        return false;
    const auto reply = ask(bus, settings.path(),
                           QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection"),
                           QStringLiteral("GetSettings"), {}, deadline);
    if (!reply)
        return std::nullopt;
    const auto all =
        read<QMap<QString, QVariantMap>>(reply->arguments().value(0), QLatin1String("a{sa{sv}}"));
    return all && all->value(QStringLiteral("bluetooth")).value(QStringLiteral("type")) ==
                      QStringLiteral("dun");
}

// Whether the active connection dials up; nothing when an answer did not come in time. An error
// answer means the connection has gone down meanwhile: it is passed over.
std::optional<bool> isDialUp(const QDBusConnection& bus, const QDBusObjectPath& connection,
                             Clock::time_point deadline) {
    static const QStringList modemKinds{QStringLiteral("gsm"), QStringLiteral("cdma"),
                                        QStringLiteral("pppoe"), QStringLiteral("adsl")};
    const auto reply =
        ask(bus, connection.path(), propertiesInterface(), QStringLiteral("GetAll"),
            {QStringLiteral("org.freedesktop.NetworkManager.Connection.Active")}, deadline);
    if (!reply)
        return std::nullopt;
    const auto properties = read<QVariantMap>(reply->arguments().value(0), QLatin1String("a{sv}"));
    if (!properties)
        return false;
    const QString type = properties->value(QStringLiteral("Type")).toString();
    if (type == QStringLiteral("bluetooth"))
        return isBluetoothDialUp(
            bus, properties->value(QStringLiteral("Connection")).value<QDBusObjectPath>(),
            deadline);
    return modemKinds.contains(type);
}

// The listing itself, on a thread that may outlive the caller's wait.
QList<QDBusObjectPath> listWithin(qsizetype maxCount, Clock::time_point deadline) {
    const QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return {};
    const auto listed = ask(bus, managerPath(), propertiesInterface(), QStringLiteral("Get"),
                            {networkManager(), QStringLiteral("ActiveConnections")}, deadline);
    if (!listed)
        return {};
    const auto active = read<QList<QDBusObjectPath>>(
        listed->arguments().value(0).value<QDBusVariant>().variant(), QLatin1String("ao"));
    if (!active)
        return {};
    QList<QDBusObjectPath> dialUps;
    for (const QDBusObjectPath& connection : *active) {
        if (dialUps.size() >= maxCount)
            break;
        const auto dialUp = isDialUp(bus, connection, deadline);
        if (!dialUp)
            return {};
        if (*dialUp)
            dialUps.append(connection);
    }
    return dialUps;
}

} // namespace

QList<QDBusObjectPath> DialUpConnections::listActive(qsizetype maxCount) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(listingBoundMs);
    // Shared with the thread, which may finish after the wait below has given up on it.
    auto promise = std::make_shared<std::promise<QList<QDBusObjectPath>>>();
    std::future<QList<QDBusObjectPath>> listed = promise->get_future();
    try {
        std::thread([promise, maxCount, deadline] {
            promise->set_value(listWithin(maxCount, deadline));
        }).detach();
    } catch (const std::system_error&) {
        return {};
    }
    if (listed.wait_until(deadline) != std::future_status::ready)
        return {};
    return listed.get();
}

void DialUpConnections::hangUp(const QDBusObjectPath& activeConnection) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        networkManager(), managerPath(), networkManager(), QStringLiteral("DeactivateConnection"));
    call << QVariant::fromValue(activeConnection);
    call.setAutoStartService(false);
    // send() asks for no reply at all: nothing waits for the line to go down.
    QDBusConnection::systemBus().send(call);
}
