#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

#include <unistd.h>

namespace {

const QByteArray request = "come forward\n";
const QByteArray reply = "coming\n";
constexpr qint64 longestLine = 64;
// A copy that holds the lock but has not yet begun to listen does so within moments.
constexpr unsigned long retryMs = 50;

// $XDG_RUNTIME_DIR, else a folder of the user's own in the temporary folder: nobody else may
// put a lock or a socket of that name in the way. Empty when there is no such folder.
QString privateFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.startsWith(QLatin1Char('/')))
        return runtime;
    const QString own = QDir::tempPath() + QStringLiteral("/pomarin-") + QString::number(getuid());
    QDir().mkdir(own, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QFileInfo folder(own);
    if (!folder.isDir() || folder.isSymLink() || folder.ownerId() != getuid() ||
        (folder.permissions() & (QFile::WriteGroup | QFile::WriteOther)))
        return {};
    return own;
}

QString keyName(const QStringList& parts) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArray::number(getuid()));
    for (const QString& part : parts) {
        hash.addData(QByteArrayView("", 1));
        hash.addData(part.toUtf8());
    }
    // Short enough for a socket's path.
    return QStringLiteral("pomarin-") + QString::fromLatin1(hash.result().toHex().left(32));
}

} // namespace

SingleInstance::SingleInstance(const QStringList& keyParts, QObject* parent) : QObject(parent) {
    if (const QString folder = privateFolder(); !folder.isEmpty())
        m_path = folder + QLatin1Char('/') + keyName(keyParts);
}

SingleInstance::~SingleInstance() = default;

SingleInstance::Start SingleInstance::start(std::chrono::milliseconds wait) {
    if (m_path.isEmpty())
        return Start::First;
    m_lock = std::make_unique<QLockFile>(m_path + QStringLiteral(".lock"));
    // Only a lock whose process is gone is stale: a copy may run for weeks.
    m_lock->setStaleLockTime(0);
    const QDeadlineTimer deadline(wait);
    for (;;) {
        if (m_lock->tryLock(0)) {
            listen();
            return Start::First;
        }
        if (m_lock->error() != QLockFile::LockFailedError)
            return Start::First; // the lock cannot be had at all: run, as without one
        if (askRunningCopy(std::chrono::milliseconds(deadline.remainingTime())))
            return Start::Forwarded;
        if (deadline.hasExpired())
            return Start::Unanswered;
        QThread::msleep(retryMs);
    }
}

void SingleInstance::listen() {
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Left by a copy that ended without withdrawing: the lock says that it is gone.
    QLocalServer::removeServer(m_path);
    if (!m_server->listen(m_path)) {
        qWarning("ぽまりん cannot hear of later starts: %s",
                 qUtf8Printable(m_server->errorString()));
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::takeRequests);
}

bool SingleInstance::askRunningCopy(std::chrono::milliseconds wait) const {
    const QDeadlineTimer deadline(wait);
    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return false;
    socket.write(request);
    while (!socket.canReadLine() && socket.bytesAvailable() < longestLine)
        if (!socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    return socket.readLine(longestLine) == reply;
}

void SingleInstance::takeRequests() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { answer(socket); });
    }
}

void SingleInstance::answer(QLocalSocket* socket) {
    if (!socket->canReadLine() && socket->bytesAvailable() < longestLine)
        return;
    const bool asked = socket->readLine(longestLine) == request;
    if (asked)
        socket->write(reply);
    socket->disconnectFromServer();
    if (asked)
        Q_EMIT comeForwardRequested();
}

void SingleInstance::withdraw() {
    if (m_server)
        m_server->close();
    if (m_lock)
        m_lock->unlock();
}
