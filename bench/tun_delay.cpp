// The delay of bench/long_link.py's kernel line: one TUN device in each of two network
// namespaces, and every IP packet read from one written to the other a fixed time later, in both
// directions. Since the kernel's TCP runs at both ends, window growth and slow start over the
// long round trip are real, unlike through a relay that ends TCP on each side; and the kernel
// here has no netem to do it for us.
//
//     tun_delay NETNS_A NETNS_B DEVICE MTU ONE_WAY_MICROSECONDS
//
// NETNS_A and NETNS_B are namespace files (/proc/PID/ns/net); DEVICE names the TUN device made
// in each. Prints "ready" once both exist. Each line on stdin sets a new one-way delay in
// microseconds; EOF on stdin ends the link (the devices go with it).
//
// No bandwidth limit of its own and no reordering: one queue per direction, first in, first
// out, each packet stamped when read and written when its delay has passed. A packet is
// dropped only when its queue is full, which takes far more than the 25 ms we emulate at any
// rate this program can read.

#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::size_t queueSlots = 1 << 15; // a power of two
constexpr int readBatch = 64; // packets read from one side before the other gets a turn

std::int64_t nowNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "tun_delay: %s: %s\n", what, std::strerror(errno));
    std::exit(1);
}

// The TUN device belongs to the namespace its file was opened in, so we enter that one first.
int openTun(const char* netns, const char* device) {
    const int ns = open(netns, O_RDONLY | O_CLOEXEC);
    if (ns < 0 || setns(ns, CLONE_NEWNET) != 0)
        fail(netns);
    close(ns);
    const int fd = open("/dev/net/tun", O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        fail("/dev/net/tun");
    ifreq request{};
    request.ifr_flags = IFF_TUN | IFF_NO_PI; // bare IP packets
    std::snprintf(request.ifr_name, IFNAMSIZ, "%s", device);
    if (ioctl(fd, TUNSETIFF, &request) != 0)
        fail("TUNSETIFF");
    return fd;
}

class Direction {
public:
    Direction(int from, int to, std::size_t mtu)
        : m_from(from), m_to(to), m_mtu(mtu),
          // Not zeroed, so that only the pages the queue reaches are ever taken.
          m_data(std::make_unique_for_overwrite<char[]>(queueSlots * mtu)), m_slots(queueSlots) {}

    // Reads what is waiting, up to readBatch packets.
    void read() {
        for (int n = 0; n < readBatch; ++n) {
            if (m_tail - m_head == queueSlots) { // full: the packet is lost, as on a real link
                char discard[65536];
                if (::read(m_from, discard, sizeof discard) < 0)
                    return;
                ++m_overflowed;
                continue;
            }
            const std::size_t slot = m_tail % queueSlots;
            const ssize_t size = ::read(m_from, &m_data[slot * m_mtu], m_mtu);
            if (size < 0) {
                if (errno != EAGAIN && errno != EINTR)
                    fail("read");
                return;
            }
            m_slots[slot] = {nowNs(), static_cast<std::size_t>(size)};
            ++m_tail;
        }
    }

    // Writes every packet whose time has come; returns when the next one is due, or -1.
    std::int64_t writeDue(std::int64_t delayNs) {
        while (m_head != m_tail) {
            const std::size_t slot = m_head % queueSlots;
            const std::int64_t due = m_slots[slot].arrived + delayNs;
            if (due > nowNs())
                return due;
            // A failed write (the device went down) loses the packet, as a broken link would.
            if (::write(m_to, &m_data[slot * m_mtu], m_slots[slot].size) < 0) {
                ++m_failed;
                m_lastError = errno;
            }
            ++m_head;
        }
        return -1;
    }

    void report(const char* name) const {
        if (m_overflowed || m_failed)
            std::fprintf(stderr,
                         "tun_delay: %s: %llu packets lost on a full queue, %llu on failed "
                         "writes (%s)\n",
                         name, static_cast<unsigned long long>(m_overflowed),
                         static_cast<unsigned long long>(m_failed), std::strerror(m_lastError));
    }

private:
    struct Slot {
        std::int64_t arrived;
        std::size_t size;
    };
    int m_from, m_to;
    std::size_t m_mtu;
    std::unique_ptr<char[]> m_data;
    std::vector<Slot> m_slots;
    std::size_t m_head = 0, m_tail = 0; // count up forever; the slot is the count modulo size
    std::uint64_t m_overflowed = 0, m_failed = 0;
    int m_lastError = 0;
};

// Applies each whole line from stdin as a new delay; returns false at EOF.
bool readDelays(std::string& pending, std::int64_t& delayNs) {
    char buffer[256];
    const ssize_t size = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (size < 0)
        return errno == EINTR || errno == EAGAIN;
    if (size == 0)
        return false;
    pending.append(buffer, static_cast<std::size_t>(size));
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
        delayNs = std::strtoll(pending.substr(0, end).c_str(), nullptr, 10) * 1000;
        pending.erase(0, end + 1);
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: tun_delay NETNS_A NETNS_B DEVICE MTU ONE_WAY_MICROSECONDS\n");
        return 2;
    }
    const std::size_t mtu = std::strtoul(argv[4], nullptr, 10);
    std::int64_t delayNs = std::strtoll(argv[5], nullptr, 10) * 1000;
    if (mtu < 576 || mtu > 65535 || delayNs < 0) {
        std::fprintf(stderr, "tun_delay: bad MTU or delay\n");
        return 2;
    }
    // The default slack of 50 µs would let every wake-up come that much late.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    const int a = openTun(argv[1], argv[3]);
    const int b = openTun(argv[2], argv[3]);
    Direction directions[] = {{a, b, mtu}, {b, a, mtu}};
    std::printf("ready\n");
    std::fflush(stdout);

    std::string pending;
    pollfd fds[] = {{a, POLLIN, 0}, {b, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    for (;;) {
        std::int64_t next = -1;
        for (Direction& direction : directions) {
            const std::int64_t due = direction.writeDue(delayNs);
            if (due >= 0 && (next < 0 || due < next))
                next = due;
        }
        timespec wait{};
        if (next >= 0) {
            const std::int64_t left = std::max<std::int64_t>(next - nowNs(), 0);
            wait = {static_cast<time_t>(left / 1'000'000'000),
                    static_cast<long>(left % 1'000'000'000)};
        }
        if (ppoll(fds, 3, next >= 0 ? &wait : nullptr, nullptr) < 0 && errno != EINTR)
            fail("ppoll");
        for (int side = 0; side < 2; ++side)
            if (fds[side].revents & POLLIN)
                directions[side].read();
        if ((fds[2].revents & (POLLIN | POLLHUP)) && !readDelays(pending, delayNs))
            break;
    }
    directions[0].report("A to B");
    directions[1].report("B to A");
    return 0;
}
