"""The classic POP3 client, as a peer for bench/check-vs-peers: Python's poplib, one command per
round trip. Does what one check does: count, then per message its headers (TOP n 0), its size
(LIST n) and the whole message (RETR n). Prints the count and the bytes received, as
build/bench/check_driver does.

    peers_poplib.py HOST PORT USER PASSWORD
"""

import poplib
import sys


def main():
    if len(sys.argv) != 5:
        sys.exit("usage: peers_poplib.py HOST PORT USER PASSWORD")
    host, port, user, password = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
    pop = poplib.POP3(host, port, timeout=60)
    pop.user(user)
    pop.pass_(password)
    count, _ = pop.stat()
    received = 0
    for number in range(1, count + 1):
        pop.top(number, 0)
        pop.list(number)
        _, lines, _ = pop.retr(number)
        # poplib strips each line's CRLF and undoes dot-stuffing: add the line ends back to
        # count the message as the server sized it.
        received += sum(len(line) + 2 for line in lines)
    pop.quit()
    print(f"{count} messages, {received} bytes")


if __name__ == "__main__":
    main()
