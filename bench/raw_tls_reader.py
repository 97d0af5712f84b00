"""The server's floor for a POP3S check, for bench/check-vs-peers: logs in over TLS, asks for
every message at once (TOP n with a line count beyond any message, as our library does), then
takes the bytes off the socket without decrypting them, woken once a batch has come as our
library is. A client can fetch the mailbox no faster than this: it measures the server alone,
the client costing next to nothing. Prints the median seconds from the connection to the last
byte, and the fewest bytes a run received (a run that got less than the mailbox fails).

    raw_tls_reader.py HOST PORT USER PASSWORD CA_FILE COUNT RUNS
"""

import select
import socket
import ssl
import statistics
import sys
import time

BATCH = 256 * 1024
TAIL_WAIT = 0.002  # a batch that does not fill: the reply's end
QUIET = 0.05  # no byte for this long: everything has come


class Session:
    def __init__(self, host, port, ca):
        self.sock = socket.create_connection((host, port))
        self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        context = ssl.create_default_context(cafile=ca)
        context.check_hostname = False
        self.incoming, self.outgoing = ssl.MemoryBIO(), ssl.MemoryBIO()
        self.tls = context.wrap_bio(self.incoming, self.outgoing)
        self.text = b""
        while True:
            try:
                self.tls.do_handshake()
                break
            except ssl.SSLWantReadError:
                self.flush()
                self.receive()
        self.flush()

    def flush(self):
        self.sock.sendall(self.outgoing.read())

    def receive(self):
        data = self.sock.recv(65536)
        if not data:
            sys.exit("raw_tls_reader: the server closed the connection")
        self.incoming.write(data)

    def send(self, text):
        self.tls.write(text)
        self.flush()

    def reply(self):
        while b"\r\n" not in self.text:
            try:
                self.text += self.tls.read(65536)
            except ssl.SSLWantReadError:
                self.receive()
        line, _, self.text = self.text.partition(b"\r\n")
        if not line.startswith(b"+OK"):
            sys.exit(f"raw_tls_reader: {line!r}")

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


def run_once(host, port, user, password, ca, count):
    started = time.perf_counter()
    session = Session(host, port, ca)
    session.reply()  # the greeting
    session.send(f"USER {user}\r\nPASS {password}\r\n".encode())
    session.reply()
    session.reply()
    session.send(b"".join(b"TOP %d 268435457\r\n" % n for n in range(1, count + 1)))
    received, last = session.raw_bytes_until_quiet()
    session.sock.close()
    return last - started, received


def main():
    if len(sys.argv) != 8:
        sys.exit("usage: raw_tls_reader.py HOST PORT USER PASSWORD CA_FILE COUNT RUNS")
    host, port, user, password, ca = sys.argv[1], int(sys.argv[2]), *sys.argv[3:6]
    count, runs = int(sys.argv[6]), int(sys.argv[7])
    results = [run_once(host, port, user, password, ca, count) for _ in range(runs)]
    print(f"{statistics.median(seconds for seconds, _ in results):.4f} "
          f"{min(received for _, received in results)}")


if __name__ == "__main__":
    main()
