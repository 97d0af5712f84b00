#pragma once

#include <QAbstractSocket>
#include <QString>

// Why a connection failed, in Japanese as the rest of the message: from the socket's error and
// Qt's text for it, or, where Qt does not know, from the system's error number.
QString socketReason(QAbstractSocket::SocketError error, const QString& qtText, int systemError);
