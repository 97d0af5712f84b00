#include "platform/pop3/SocketReason.h"

#include <QCoreApplication>

#include <cerrno>
#include <utility>

namespace {

// Qt files several of the system's errors under NetworkError and tells them apart only by its
// text, translated in this context when Qt's own translations are loaded.
int networkErrorNumber(const QString& qtText) {
    static const std::pair<const char*, int> texts[] = {
        {"Network unreachable", ENETUNREACH},
        {"Host unreachable", EHOSTUNREACH},
        {"Connection timed out", ETIMEDOUT},
        {"The remote host closed the connection", ECONNRESET},
        {"Connection reset by peer", ECONNRESET},
        {"Network dropped connection on reset", ENETRESET},
        {"The bound address is already in use", EADDRINUSE},
    };
    for (const auto& [text, number] : texts)
        if (qtText == QCoreApplication::translate("QNativeSocketEngine", text))
            return number;
    return 0;
}

QString reasonFor(int systemError) {
    switch (systemError) {
    case ENETUNREACH:
    case ENETDOWN:
        return QStringLiteral("ネットワークに到達できません。ネットワークにつながっているか"
                              "確かめてください。");
    case EHOSTUNREACH:
    case EHOSTDOWN:
        return QStringLiteral("サーバーまでの経路がありません。サーバー名とネットワークの設定を"
                              "確かめてください。");
    case ETIMEDOUT:
        return QStringLiteral("接続が時間切れになりました。");
    case ECONNREFUSED:
        return QStringLiteral("接続を拒否されました。");
    case ECONNRESET:
    case ECONNABORTED:
    case ENETRESET:
    case EPIPE:
        return QStringLiteral("接続が途中で切れました。");
    case EACCES:
    case EPERM:
        return QStringLiteral(
            "接続が許可されていません。ファイアウォールの設定を確かめてください。");
    case EADDRINUSE:
    case EADDRNOTAVAIL:
        return QStringLiteral("このコンピューターのアドレスが使えません。");
    case EAFNOSUPPORT:
        return QStringLiteral("このコンピューターはこの種類のアドレスに接続できません。");
    case ENOBUFS:
    case ENOMEM:
    case EMFILE:
    case ENFILE:
        return QStringLiteral("システムの資源が足りません。");
    default:
        return QStringLiteral("ネットワークの問題で通信できません。");
    }
}

} // namespace

QString socketReason(QAbstractSocket::SocketError error, const QString& qtText, int systemError) {
    switch (error) {
    case QAbstractSocket::NetworkError:
        return reasonFor(networkErrorNumber(qtText));
    case QAbstractSocket::ConnectionRefusedError:
        return reasonFor(ECONNREFUSED);
    case QAbstractSocket::RemoteHostClosedError:
        return reasonFor(ECONNRESET);
    case QAbstractSocket::SocketAccessError:
        return reasonFor(EACCES);
    case QAbstractSocket::SocketResourceError:
        return reasonFor(ENOBUFS);
    case QAbstractSocket::SocketTimeoutError:
        return reasonFor(ETIMEDOUT);
    case QAbstractSocket::AddressInUseError:
    case QAbstractSocket::SocketAddressNotAvailableError:
        return reasonFor(EADDRNOTAVAIL);
    case QAbstractSocket::UnsupportedSocketOperationError:
        return reasonFor(EAFNOSUPPORT);
    case QAbstractSocket::ProxyConnectionRefusedError:
    case QAbstractSocket::ProxyConnectionClosedError:
    case QAbstractSocket::ProxyConnectionTimeoutError:
    case QAbstractSocket::ProxyNotFoundError:
    case QAbstractSocket::ProxyProtocolError:
    case QAbstractSocket::ProxyAuthenticationRequiredError:
        return QStringLiteral("プロキシを通して接続できません。");
    case QAbstractSocket::UnknownSocketError:
        return reasonFor(systemError);
    default:
        return reasonFor(0);
    }
}
