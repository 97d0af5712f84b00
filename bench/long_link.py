"""A long network link for benchmarks: two private network namespaces, a client's and a
server's, joined by a TUN device in each and a delay line between them, which holds every IP
packet for a fixed time each way. Two lines, both real kinds of link:

  kernel  build/bench/tun_delay, one timer per packet: packets come out spaced as they went in.
  bursty  bench/bursty-delay-line.py (from ../shared/links/, unchanged), one Python loop that
          hands over whatever fell due while it slept at once, as Wi-Fi and mobile links
          aggregate packets.

A relay in user space ends TCP on each side, so it shows a long round trip but not what TCP
does over one: a window that must grow, slow start, acknowledgements from the real peer. This
kernel has no netem, so the delay is the line's; the TCP at both ends is the kernel's.

    with LongLink(one_way_seconds=0.025, line="bursty") as link:
        subprocess.Popen([*link.server_prefix, "some-server", "--listen", link.server_address])
        subprocess.run([*link.client_prefix, "some-client", link.server_address])

Nothing is set up in the machine's own namespace but the names the bursty line enters the two
by (ip netns attach; deleted on exit). Each namespace lives as long as a holder process
(`unshare --net`) that ends when its stdin reaches EOF, so the link goes away with us even if
we are killed; inside each, loopback is up. The MTU is 1500, as on Ethernet, so that TCP sees
the segment sizes of a real link; the namespaces start with the machine's TCP settings. Each
device queues up to 10,000 packets, so that the line, not the device's queue, sets the pace (at
the default 500, the bursty line on two cores dropped 41,314 packets in 60 checks: then the
benchmark measures loss recovery). set_delay() changes the delay of a running link (the bursty
line is restarted for it): at 0 it shows what the link itself costs. tun_delay wakes a little
late, so a round trip takes some 0.5 ms more than asked.

Run on its own (`python3 bench/long_link.py [MILLISECONDS_ONE_WAY [kernel|bursty]]`) it prints
the commands that enter each side and keeps the link until Enter or Ctrl-C.
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
BURSTY_LINE = os.path.join(SOURCE, "bench", "bursty-delay-line.py")
LINES = ("kernel", "bursty")
DEVICE = "link0"  # on each side; the bursty line needs two names
BURSTY_DEVICES = {"client": "link1", "server": "link0"}
CLIENT_ADDRESS = "10.231.0.1"  # each namespace is private, so fixed addresses never clash
SERVER_ADDRESS = "10.231.0.2"
MTU = 1500
QUEUE_PACKETS = 10000
START_TIMEOUT = 10


def read_ready(process, what, ready=b"ready\n"):
    """Waits for the line a child prints once it is set up: one that starts with ready."""
    with selectors.DefaultSelector() as selector:
        selector.register(process.stdout, selectors.EVENT_READ)
        if not selector.select(START_TIMEOUT) or not process.stdout.readline().startswith(ready):
            raise RuntimeError(f"long_link: {what} did not start")


class LongLink:
    """Inside the with block: client_prefix and server_prefix, argv prefixes that run a command
    in each namespace; client_address and server_address, each side's address on the link."""
    server_address = SERVER_ADDRESS
    client_address = CLIENT_ADDRESS

    def __init__(self, one_way_seconds=0.025, line="kernel", mtu=MTU):
        if line not in LINES:
            raise ValueError(f"long_link: no line {line!r}; choose from {', '.join(LINES)}")
        self.one_way_seconds, self.line, self.mtu = one_way_seconds, line, mtu
        self._children = []  # stopped in reverse order
        self._names = []  # the namespaces' names, for the bursty line

    def __enter__(self):
        try:
            self._client, self._server = self._namespace("client"), self._namespace("server")
            self.client_prefix = ["nsenter", f"--net={self._client}", "--"]
            self.server_prefix = ["nsenter", f"--net={self._server}", "--"]
            self._start_line()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, *exc):
        while self._children:
            self._stop(self._children.pop())
        while self._names:
            subprocess.run(["ip", "netns", "delete", self._names.pop()], check=False)

    def set_delay(self, one_way_seconds):
        self.one_way_seconds = one_way_seconds
        if self.line == "kernel":
            self._delay.stdin.write(f"{round(one_way_seconds * 1e6)}\n".encode())
            self._delay.stdin.flush()
        else:  # its devices go with it, and come back without their addresses
            self._children.remove(self._delay)
            self._stop(self._delay)
            self._start_line()

    def _stop(self, process):
        if self.line == "bursty" and process is self._delay:
            process.terminate()  # it reads no stdin: SIGTERM ends it
        fixture_child.stop_child(process, 5)

    def _start_line(self):
        if self.line == "kernel":
            self._delay = self._start([TUN_DELAY, self._client, self._server, DEVICE,
                                       str(self.mtu), str(round(self.one_way_seconds * 1e6))],
                                      "tun_delay")
        else:
            if not self._names:
                self._name(self._client)
                self._name(self._server)
                # As the line's own set-up has it (its README): Reno at both ends.
                for prefix in (self.client_prefix, self.server_prefix):
                    subprocess.run([*prefix, "sysctl", "-qw",
                                    "net.ipv4.tcp_congestion_control=reno"], check=True)
            self._delay = self._start(
                [sys.executable, BURSTY_LINE, "--ns-a", self._names[1],
                 "--dev-a", BURSTY_DEVICES["server"], "--ns-b", self._names[0],
                 "--dev-b", BURSTY_DEVICES["client"],
                 "--delay-ms", str(self.one_way_seconds * 1000)], "the bursty line", b"tun-delay:")
        for side, prefix, near, far in (
                ("client", self.client_prefix, CLIENT_ADDRESS, SERVER_ADDRESS),
                ("server", self.server_prefix, SERVER_ADDRESS, CLIENT_ADDRESS)):
            device = DEVICE if self.line == "kernel" else BURSTY_DEVICES[side]
            # No IPv6 link-local address: its neighbour discovery would cross the link too.
            for command in (["link", "set", device, "addrgenmode", "none"],
                            ["addr", "add", near, "peer", far, "dev", device],
                            ["link", "set", device, "mtu", str(self.mtu),
                             "txqueuelen", str(QUEUE_PACKETS), "up"]):
                subprocess.run([*prefix, "ip", *command], check=True)

    def _name(self, namespace_file):
        """Names a namespace under /run/netns, as the bursty line enters them by name."""
        name = f"pomarin-bench-{os.getpid()}-{len(self._names)}"
        holder = namespace_file.split("/")[2]
        subprocess.run(["ip", "netns", "attach", name, holder], check=True)
        self._names.append(name)

    def _start(self, argv, what, ready=b"ready\n"):
        process = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self._children.append(process)
        read_ready(process, what, ready)
        return process

    def _namespace(self, what):
        """A new network namespace with loopback up; returns the file that enters it."""
        holder = self._start(["unshare", "--net", "--", "sh", "-c",
                              "ip link set lo up && echo ready && exec cat >/dev/null"],
                             f"the {what} namespace")
        return f"/proc/{holder.pid}/ns/net"


def main():
    milliseconds = float(sys.argv[1]) if len(sys.argv) > 1 else 25
    with LongLink(milliseconds / 1000, sys.argv[2] if len(sys.argv) > 2 else "kernel") as link:
        print(f"client {link.client_address}: {' '.join(link.client_prefix)} COMMAND")
        print(f"server {link.server_address}: {' '.join(link.server_prefix)} COMMAND")
        print("Enter ends the link.")
        with contextlib.suppress(KeyboardInterrupt):
            sys.stdin.readline()


if __name__ == "__main__":
    main()
