"""A long network link for benchmarks, made in the kernel: two private network namespaces, a
client's and a server's, joined by a TUN device in each and build/bench/tun_delay between them,
which holds every IP packet for a fixed time each way.

A relay in user space ends TCP on each side, so it shows a long round trip but not what TCP
does over one: a window that must grow, slow start, acknowledgements from the real peer. This
kernel has no netem, so the delay is tun_delay's; the TCP at both ends is the kernel's.

    with KernelLink(one_way_seconds=0.025) as link:
        subprocess.Popen([*link.server_prefix, "some-server", "--listen", link.server_address])
        subprocess.run([*link.client_prefix, "some-client", link.server_address])

Nothing is set up in the machine's own namespace. Each namespace lives as long as a holder
process (`unshare --net`) that ends when its stdin reaches EOF, so the link goes away with us
even if we are killed; inside each, loopback is up. The MTU is 1500, as on Ethernet, so that
TCP sees the segment sizes of a real link; the namespaces start with the machine's TCP
settings. set_delay() changes the delay of a running link: at 0 it shows what the link itself
costs. tun_delay wakes a little late, so a round trip takes some 0.5 ms more than asked.

Run on its own (`python3 bench/kernel_link.py [MILLISECONDS_ONE_WAY]`) it prints the commands
that enter each side and keeps the link until Enter or Ctrl-C.
"""

import contextlib
import os
import selectors
import subprocess
import sys

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True  # keep __pycache__ out of the source tree
sys.path.insert(0, os.path.join(SOURCE, "tests", "fixtures"))
import fixture_child  # noqa: E402
TUN_DELAY = os.path.join(SOURCE, "build", "bench", "tun_delay")
DEVICE = "link0"
CLIENT_ADDRESS = "10.231.0.1"  # each namespace is private, so fixed addresses never clash
SERVER_ADDRESS = "10.231.0.2"
MTU = 1500
QUEUE_PACKETS = 10000
START_TIMEOUT = 10


def read_ready(process, what):
    """Waits for the line a child prints once it is set up."""
    with selectors.DefaultSelector() as selector:
        selector.register(process.stdout, selectors.EVENT_READ)
        if not selector.select(START_TIMEOUT) or process.stdout.readline() != b"ready\n":
            raise RuntimeError(f"kernel_link: {what} did not start")


class KernelLink:
    """Inside the with block: client_prefix and server_prefix, argv prefixes that run a command
    in each namespace; client_address and server_address, each side's address on the link."""
    server_address = SERVER_ADDRESS
    client_address = CLIENT_ADDRESS

    def __init__(self, one_way_seconds=0.025, mtu=MTU):
        self.one_way_seconds, self.mtu = one_way_seconds, mtu
        self._children = []  # stopped in reverse order

    def __enter__(self):
        try:
            client, server = self._namespace("client"), self._namespace("server")
            self.client_prefix = ["nsenter", f"--net={client}", "--"]
            self.server_prefix = ["nsenter", f"--net={server}", "--"]
            self._delay = self._start([TUN_DELAY, client, server, DEVICE, str(self.mtu),
                                       str(round(self.one_way_seconds * 1e6))], "tun_delay")
            for prefix, near, far in ((self.client_prefix, CLIENT_ADDRESS, SERVER_ADDRESS),
                                      (self.server_prefix, SERVER_ADDRESS, CLIENT_ADDRESS)):
                # No IPv6 link-local address: its neighbour discovery would cross the link too.
                for command in (["link", "set", DEVICE, "addrgenmode", "none"],
                                ["addr", "add", near, "peer", far, "dev", DEVICE],
                                # Bursts wait for tun_delay instead of being dropped by the
                                # device's queue (500 packets): the delay program, not the
                                # device, sets the pace.
                                ["link", "set", DEVICE, "mtu", str(self.mtu),
                                 "txqueuelen", str(QUEUE_PACKETS), "up"]):
                    subprocess.run([*prefix, "ip", *command], check=True)
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, *exc):
        while self._children:
            fixture_child.stop_child(self._children.pop(), 5)

    def set_delay(self, one_way_seconds):
        self._delay.stdin.write(f"{round(one_way_seconds * 1e6)}\n".encode())
        self._delay.stdin.flush()
        self.one_way_seconds = one_way_seconds

    def _start(self, argv, what):
        process = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self._children.append(process)
        read_ready(process, what)
        return process

    def _namespace(self, what):
        """A new network namespace with loopback up; returns the file that enters it."""
        holder = self._start(["unshare", "--net", "--", "sh", "-c",
                              "ip link set lo up && echo ready && exec cat >/dev/null"],
                             f"the {what} namespace")
        return f"/proc/{holder.pid}/ns/net"


def main():
    milliseconds = float(sys.argv[1]) if len(sys.argv) > 1 else 25
    with KernelLink(milliseconds / 1000) as link:
        print(f"client {link.client_address}: {' '.join(link.client_prefix)} COMMAND")
        print(f"server {link.server_address}: {' '.join(link.server_prefix)} COMMAND")
        print("Enter ends the link.")
        with contextlib.suppress(KeyboardInterrupt):
            sys.stdin.readline()


if __name__ == "__main__":
    main()
