#include "platform/pop3/TcpTuning.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace TcpTuning {

void acknowledgeAtOnce(qintptr socket) {
    const int on = 1;
    setsockopt(static_cast<int>(socket), IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
}

void wakeAfter(qintptr socket, int bytes) {
    const int fd = static_cast<int>(socket);
    int receiveBuffer = 0;
    socklen_t size = sizeof receiveBuffer;
    if (bytes > 1 && getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, &size) == 0)
        bytes = qBound(1, receiveBuffer / 4, bytes);
    setsockopt(fd, SOL_SOCKET, SO_RCVLOWAT, &bytes, sizeof bytes);
}

} // namespace TcpTuning
