"""A delay line for benchmarks: a TCP relay on 127.0.0.1 that holds every byte for a fixed time
in each direction, so that a loopback connection behaves like one with a long round trip.

This kernel has no netem, so the delay is made in user space: each chunk read from one side is
stamped with the time it arrived and written to the other side once that time plus the one-way
delay has passed. Reading never waits for writing, so the relay adds latency but no bandwidth
limit (TCP's own window and slow start on a real long link are not emulated).

    with DelayLine(("127.0.0.1", 110), one_way_seconds=0.025) as line:
        connect to ("127.0.0.1", line.port)

Run on its own (`python3 bench/delay_line.py TARGET_PORT MILLISECONDS`) it prints its port and
relays until interrupted.
"""

import collections
import socket
import sys
import threading
import time

CHUNK = 256 * 1024


class _Direction:
    """One direction of one connection: a reader thread stamps chunks, a writer thread sends
    each when it is due. Two threads, so that a chunk waiting for its time never holds up
    reading (and the socket calls release the GIL, so both sides run in parallel)."""

    def __init__(self, source, sink, delay):
        self.source, self.sink, self.delay = source, sink, delay
        self.queue = collections.deque()
        self.ready = threading.Condition()
        self.threads = [threading.Thread(target=self.read, daemon=True),
                        threading.Thread(target=self.write, daemon=True)]
        for thread in self.threads:
            thread.start()

    def read(self):
        while True:
            try:
                data = self.source.recv(CHUNK)
            except OSError:
                data = b""
            with self.ready:
                self.queue.append((time.monotonic() + self.delay, data))
                self.ready.notify()
            if not data:
                return  # the empty chunk tells the writer to pass the end on, in its turn

    def write(self):
        while True:
            with self.ready:
                while not self.queue:
                    self.ready.wait()
                due, data = self.queue.popleft()
            wait = due - time.monotonic()
            if wait > 0:
                time.sleep(wait)
            try:
                if not data:
                    self.sink.shutdown(socket.SHUT_WR)
                    return
                self.sink.sendall(data)
            except OSError:
                # The far side is gone: stop reading too, so the other direction ends.
                for s in (self.source, self.sink):
                    try:
                        s.shutdown(socket.SHUT_RDWR)
                    except OSError:
                        pass
                return

    def join(self):
        for thread in self.threads:
            thread.join()


class DelayLine:
    """Listens on 127.0.0.1 (port chosen by the kernel, in .port) and relays every connection
    to target, delaying each direction by one_way_seconds."""

    def __init__(self, target, one_way_seconds):
        self.target, self.delay = target, one_way_seconds
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(16)
        self.port = self.listener.getsockname()[1]
        threading.Thread(target=self.accept, daemon=True).start()

    def accept(self):
        while True:
            try:
                client, _ = self.listener.accept()
            except OSError:
                return  # closed
            threading.Thread(target=self.relay, args=(client,), daemon=True).start()

    def relay(self, client):
        with client:
            try:
                server = socket.create_connection(self.target)
            except OSError:
                return
            with server:
                for s in (client, server):
                    s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
                directions = [_Direction(client, server, self.delay),
                              _Direction(server, client, self.delay)]
                for direction in directions:
                    direction.join()

    def close(self):
        self.listener.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: delay_line.py TARGET_PORT MILLISECONDS_ONE_WAY")
    line = DelayLine(("127.0.0.1", int(sys.argv[1])), float(sys.argv[2]) / 1000)
    print(line.port, flush=True)
    try:
        threading.Event().wait()
    except KeyboardInterrupt:
        line.close()
