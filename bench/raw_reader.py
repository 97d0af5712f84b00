"""The server's floor for a check, for bench/check-vs-peers: logs in (over TLS with --ca), asks
for every message at once (TOP n with a line count beyond any message, as our library does),
then takes the bytes off the socket without looking at them (nor decrypting them), woken once a
batch has come as our library is. A client can fetch the mailbox no faster than this: it
measures the server alone, the client costing next to nothing. Prints the median seconds from
the connection to the last byte, and the fewest bytes a run received (a run that got less than
the mailbox fails).

    raw_reader.py [--ca CA_FILE] HOST PORT USER PASSWORD COUNT RUNS
"""

import argparse
import select
import socket
import ssl
import statistics
import sys
import time

BATCH = 256 * 1024
TAIL_WAIT = 0.002  # a batch that does not fill: the reply's end
FIRST_WINDOW = 256 * 1024  # the receive window our library opens at once (TcpTuning)
QUIET = 0.05  # no byte for this long: everything has come


class PlainSession:
    def __init__(self, host, port):
        self.sock = socket.create_connection((host, port))
        self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVLOWAT, FIRST_WINDOW)
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVLOWAT, 1)
        self.text = b""

    def receive(self):
        # A server's second small reply waits behind Nagle's algorithm for our delayed ACK (40 ms
        # at login): acknowledged at once, as our library does.
        self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_QUICKACK, 1)
        data = self.sock.recv(65536)
        if not data:
            sys.exit("raw_reader: the server closed the connection")
        return data

    def more_text(self):
        return self.receive()

    def send(self, text):
        self.sock.sendall(text)

    def reply(self):
        while b"\r\n" not in self.text:
            self.text += self.more_text()
        line, _, self.text = self.text.partition(b"\r\n")
        if not line.startswith(b"+OK"):
            sys.exit(f"raw_reader: {line!r}")

    def raw_bytes_until_quiet(self):
        """Bytes taken off the socket, and when the last came."""
        received, last, buffer = 0, time.perf_counter(), bytearray(1 << 20)
        while True:
            wanted = min(BATCH, self.sock.getsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF) // 4)
            self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVLOWAT, max(wanted, 1))
            ready, _, _ = select.select([self.sock], [], [], TAIL_WAIT)
            if not ready:
                self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVLOWAT, 1)
                ready, _, _ = select.select([self.sock], [], [], QUIET)
                if not ready:
                    return received, last
            count = self.sock.recv_into(buffer)
            if not count:
                return received, last
            received, last = received + count, time.perf_counter()


class TlsSession(PlainSession):
    def __init__(self, host, port, ca):
        super().__init__(host, port)
        context = ssl.create_default_context(cafile=ca)
        context.check_hostname = False
        self.incoming, self.outgoing = ssl.MemoryBIO(), ssl.MemoryBIO()
        self.tls = context.wrap_bio(self.incoming, self.outgoing)
        while True:
            try:
                self.tls.do_handshake()
                break
            except ssl.SSLWantReadError:
                self.flush()
                self.incoming.write(self.receive())
        self.flush()

    def flush(self):
        self.sock.sendall(self.outgoing.read())

    def more_text(self):
        while True:
            try:
                return self.tls.read(65536)
            except ssl.SSLWantReadError:
                self.incoming.write(self.receive())

    def send(self, text):
        self.tls.write(text)
        self.flush()


def run_once(args):
    started = time.perf_counter()
    session = (TlsSession(args.host, args.port, args.ca) if args.ca
               else PlainSession(args.host, args.port))
    session.reply()  # the greeting
    session.send(f"USER {args.user}\r\nPASS {args.password}\r\n".encode())
    session.reply()
    session.reply()
    session.send(b"".join(b"TOP %d 268435457\r\n" % n for n in range(1, args.count + 1)))
    received, last = session.raw_bytes_until_quiet()
    session.sock.close()
    return last - started, received


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--ca", help="POP3S (TLS from the first byte), trusting this CA file")
    for name in ("host", "port", "user", "password", "count", "runs"):
        parser.add_argument(name, type=int if name in ("port", "count", "runs") else str)
    args = parser.parse_args()
    results = [run_once(args) for _ in range(args.runs)]
    print(f"{statistics.median(seconds for seconds, _ in results):.4f} "
          f"{min(received for _, received in results)}")


if __name__ == "__main__":
    main()
