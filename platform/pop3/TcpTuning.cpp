#include "platform/pop3/TcpTuning.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace {

// A window larger than any burst a link hands over at once; larger (1 MiB) was no faster on the
// bursty line, and more of a burst is lost where a link's queue is short.
constexpr int firstWindowBytes = 256 * 1024;

} // namespace

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

void openReceiveWindow(qintptr socket) {
    const int fd = static_cast<int>(socket);
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_RCVLOWAT, &firstWindowBytes, sizeof firstWindowBytes);
    setsockopt(fd, SOL_SOCKET, SO_RCVLOWAT, &one, sizeof one);
}

} // namespace TcpTuning
