#include "platform/DesktopNotification.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
constexpr int serverDecidesTimeout = -1;
constexpr int rgbaChannels = 4;
constexpr int bitsPerSample = 8;

// The id of the last notification shown, which the next one replaces; 0 before the first.
uint& lastNotification() {
    static uint id = 0;
    return id;
}

// The "image-data" hint: (iiibiiay) width, height, row stride, alpha, bits per sample, channels,
// data.
QDBusArgument imageData(const NotificationPicture& picture) {
    QDBusArgument argument;
    argument.beginStructure();
    argument << picture.width << picture.height << picture.width * rgbaChannels << true
             << bitsPerSample << rgbaChannels << picture.rgba;
    argument.endStructure();
    return argument;
}

} // namespace

void notifyDesktop(const QString& text, const NotificationPicture& picture) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage notify =
        QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/Notifications"),
                                       service, QStringLiteral("Notify"));
    QVariantMap hints = {
        {QStringLiteral("desktop-entry"), QStringLiteral("io.github.pomarin.Pomarin")}};
    if (!picture.rgba.isEmpty())
        hints.insert(QStringLiteral("image-data"), QVariant::fromValue(imageData(picture)));
    notify << QStringLiteral("ぽまりん") << lastNotification() << QStringLiteral("pomarin") << text
           << QString() << QStringList() << hints << serverDecidesTimeout;
    // No server, or one that refuses: the notification is only a courtesy, so the error is dropped.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(notify));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                     [](QDBusPendingCallWatcher* call) {
                         const QDBusPendingReply<uint> reply = *call;
                         if (reply.isValid())
                             lastNotification() = reply.value();
                         call->deleteLater();
                     });
}
