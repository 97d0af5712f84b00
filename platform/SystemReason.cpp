#include "platform/SystemReason.h"

#include <cerrno>

QString systemReason(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("アクセスが拒否されました。");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("ディスクの空き容量が足りません。");
    case EROFS:
        return QStringLiteral("読み取り専用のファイルシステムです。");
    case EISDIR:
        return QStringLiteral("同じ名前のフォルダがあります。");
    case EFBIG:
        return QStringLiteral("ファイルが大きすぎます。");
    default:
        return qt_error_string(error);
    }
}
