"""Clients of the board that behave as an attacker's would, over raw sockets (TLS with a context):
floods of a request's head or body, and slow clients that send a byte a second. Every one is
bounded in bytes and in time, and talks only to loopback."""

import http.client
import select
import time

from board_support import basic_authorization, connect
from conftest import Deadline


def _head(request_line, password, *headers):
    lines = [request_line, "Host: 127.0.0.1", *headers]
    if password is not None:
        lines.append(f"Authorization: {basic_authorization(password)}")
    return "".join(line + "\r\n" for line in lines).encode()


def floods(password=None):
    """{name: (what is sent first, what is then sent over and over, most bytes in all, the
    statuses that may answer)}: requests that would grow a server that reads without a bound."""
    many_lines = b"".join(f"X-Line-{index}: y\r\n".encode() for index in range(100_000))
    return {
        "an endless header line": (_head("GET /api/state HTTP/1.1", password) + b"X-Long: ",
                                   b"a" * 65536, 64 << 20, {431}),
        "100,000 header lines": (_head("GET /api/state HTTP/1.1", password), many_lines,
                                 len(many_lines), {431}),
        "a POST announcing 10 GB": (_head("POST /api/calls HTTP/1.1", password,
                                          "Content-Length: 10737418240") + b"\r\n",
                                    b"\0" * 65536, 64 << 20, {413}),
        "a request line of 1 MB": (b"GET /", b"a" * 65536, 1 << 20, {414}),
    }


def flood(sock, first, filler, most, seconds=10):
    """Sends first, then filler over and over, until most bytes went, the board closed the
    connection or the time passed; then the status of the board's answer, or None when the
    connection closed without one."""
    deadline = Deadline(seconds)
    try:
        sock.settimeout(deadline.left())
        sock.sendall(first)
        sent = len(first)
        while sent < most and not deadline.passed():
            sock.settimeout(max(deadline.left(), 0.01))
            sock.sendall(filler[:most - sent])
            sent += len(filler)
    except OSError:
        pass
    return answer_status(sock, deadline.left())


def answer_status(sock, seconds):
    """The status of the answer on the connection, or None when it closes without one."""
    sock.settimeout(max(seconds, 0.01))
    response = http.client.HTTPResponse(sock)
    try:
        response.begin()
        return response.status
    except (OSError, http.client.HTTPException):
        return None


class SlowClients:
    """Connections that send a request's head a byte a second and never end it, spread over the
    source addresses given (loopback ones), each with the moment of its first byte and, once the
    board has closed it, of its end."""

    HEAD = b"GET /api/state HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: " + b"a" * 1000

    def __init__(self, port, count, sources):
        self.open = set()
        self.first_byte = {}
        self.closed = {}
        self.sent = 0
        for index in range(count):
            sock = connect(port, source=sources[index % len(sources)])
            sock.setblocking(False)
            self.open.add(sock)
        self.tick()

    def tick(self):
        """One more byte on every connection still open."""
        now = time.monotonic()
        for sock in list(self.open):
            try:
                sock.send(self.HEAD[self.sent:self.sent + 1])
                self.first_byte.setdefault(sock, now)
            except OSError:
                self._close(sock, now)
        self.sent += 1

    def watch(self, seconds):
        """Notes the connections the board closes within the time given."""
        deadline = Deadline(seconds)
        while self.open and not deadline.passed():
            readable, _, _ = select.select(list(self.open), [], [], deadline.left())
            now = time.monotonic()
            for sock in readable:
                try:
                    if sock.recv(4096):
                        continue
                except OSError:
                    pass
                self._close(sock, now)

    def run_until_closed(self, seconds):
        """A byte a second on each until the board has closed them all or the time passed."""
        deadline = Deadline(seconds)
        while self.open and not deadline.passed():
            self.watch(min(1.0, deadline.left()))
            self.tick()

    def _close(self, sock, now):
        self.closed[sock] = now
        self.open.discard(sock)
        sock.close()

    def close(self):
        for sock in self.open:
            sock.close()
        self.open.clear()
