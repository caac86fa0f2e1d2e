"""Random requests for the board, for its property test and its bench: every path with random
parameters (random bytes, percent-encoded or raw, long, repeated, unknown names) and random
headers, each sent over a socket of its own as it is, so that NULs and odd bytes reach the
gateway; and what every answer must be."""

import collections
import http.client
import json
import random
import socket
import zlib
from dataclasses import dataclass, field

from conftest import ROOT, TIMEOUT

API = ["/api/calls", "/api/calls.csv", "/api/stats", "/api/state", "/api/events"]
PAGE = {"/": ROOT / "web" / "dist" / "index.html"} | {
    f"/{path.name}": path for path in sorted((ROOT / "web" / "dist").iterdir())}
ELSEWHERE = ["/nothing", "/api/calls/1", "/api", "/api/", "/index.htm", "//api/calls",
             "/api/calls.csv/", "/%2e%2e/%2e%2e/etc/passwd", "/..%2f..%2fetc%2fpasswd",
             "/web/dist/board.js", "/api/events/", "/API/CALLS", "/%00", "/api/calls%00"]
CALL_NAMES = [b"q", b"limit", b"before", b"since", b"until", b"type", b"source"]
NAMES = {"/api/calls": CALL_NAMES, "/api/calls.csv": CALL_NAMES, "/api/stats": [b"days"]}
OTHER_NAMES = [b"days", b"q", b"id", b"callback", b"", b"Q", b"q[]", b"q "]
NUMBERS = [b"0", b"1", b"-1", b"50", b"366", b"367", b"500", b"501", b"9223372036854775807",
           b"9223372036854775808", b"-9223372036854775808", b"18446744073709551616",
           b"99999999999999999999999", b"+5", b" 5", b"5 ", b"0x10", b"1e3", b"1.5", b"", b"007"]
DAYS = [b"2026-03-05", b"0000-01-01", b"0000-00-00", b"9999-12-31", b"2026-02-29",
        b"2024-02-29", b"2026-3-5", b"0999-01-01", b"-001-01-01", b"+026-03-05", b" 26-03-05",
        b"20260305", b"2026-03-05T00:00", b"2026-13-01", b"yesterday"]
WORDS = [b"NORMAL", b"BLACK", b"VIP", b"black", b"memory", b"report", b"both",
         "홍길동".encode(), "김철수".encode(), b"\xf0\x9f\x93\x9e", b"0212345678", b"1234",
         b"' OR 1=1 --", b"\"", b"\"\"", b"%", b"_", b"*", b"a OR b", b"NEAR(a b)", b"^abc",
         b"number:1", b"a\"b", b"\\", b"'); DROP TABLE calls; --", b"\x00", b"ab\x00",
         b"\x1b[2J", b"\xc2\x85", b"\xff\xfe", b"\xed\xa0\x80", b"\xc0\xaf", b"\r\n"]
# Values the API takes, by name, so that a request's other parameters often pass and the hostile
# one reaches the log's queries.
VALID = {b"limit": [b"1", b"5", b"50", b"500"], b"before": [b"1", b"300", b"9223372036854775807"],
         b"days": [b"1", b"30", b"366"], b"since": [b"2026-03-05", b"0999-01-01", b"0000-01-01"],
         b"until": [b"9999-12-31", b"2026-03-05"], b"type": [b"NORMAL", b"BLACK", b"VIP"],
         b"source": [b"memory", b"report"]}
HOSTILE = [b"\x00", b"\x01", b"\x1b", b"\x7f", b"\xc2\x85", b"\xff", b"\xc3", b"\"", b"%",
           b"\x00\x00\x00"]
EVENT_IDS = NUMBERS + [b"x", b"4", b"1152921504606846976", b"\x00", b"1\x002"]
RANGES = [b"bytes=0-10", b"bytes=99999-", b"bytes=5-2", b"bytes=0-1,3-4", b"bytes=-5",
          b"garbage", b"bytes=0-99999999999999999999", b"items=0-1", b"bytes="]
ENCODINGS = [b"gzip", b"deflate", b"br", b"gzip, br", b"*", b"identity", b"gzip;q=0",
             b"\xff\xfe", b"x" * 300]
# Text that no answer may carry: a statement of the log, the database's name, its file.
FORBIDDEN = [b"SELECT", b"FROM calls", b" WHERE ", b"sqlite", b"SQLite", b"calls.db"]


@dataclass
class Request:
    method: bytes
    path: str
    target: bytes
    headers: list
    range_asked: bool = False
    tag_asked: bool = False

    def raw(self, port):
        lines = [self.method + b" " + self.target + b" HTTP/1.1",
                 b"Host: 127.0.0.1:%d" % port, b"Connection: close"]
        lines += [name + b": " + value for name, value in self.headers]
        return b"\r\n".join(lines) + b"\r\n\r\n"


class RequestMaker:
    """Random requests from a seed: the same seed makes the same requests."""

    def __init__(self, seed, tags):
        self.random = random.Random(seed)
        self.tags = tags  # the page's files' ETags by path

    def pick(self, *choices):
        return self.random.choice(choices)

    def text(self):
        chance = self.random
        kind = chance.random()
        if kind < 0.15:
            return bytes(chance.randrange(256) for _ in range(chance.randrange(25)))
        if kind < 0.3:
            return chance.choice(NUMBERS)
        if kind < 0.45:
            return chance.choice(DAYS)
        if kind < 0.6:
            return chance.choice(WORDS)
        if kind < 0.8:
            # Good text with one bad byte in it.
            text = chance.choice(WORDS + NUMBERS + DAYS)
            at = chance.randrange(len(text) + 1)
            return text[:at] + chance.choice(HOSTILE) + text[at:]
        if kind < 0.9:
            return bytes([chance.choice(b"0123456789abc\xea")]) * chance.randrange(100, 3000)
        return chance.choice(WORDS) + chance.choice(NUMBERS) + chance.choice(DAYS)

    def encoded(self, text):
        """Percent-encoded throughout, only where a query needs it, or as it is save the bytes
        that end a request line."""
        way = self.random.choice([0, 0, 1, 1, 2])
        if way == 0:
            return b"".join(b"%%%02X" % byte for byte in text)
        keep = b"-_.~" if way == 1 else b"-_.~!$'()*,;:@/?\x80\x81\xea\xff\x00\x01\x7f"
        return b"".join(bytes([byte]) if chr(byte).isalnum() and byte < 128 or byte in keep
                        else b"%%%02X" % byte for byte in text)

    def query(self, path):
        parameters = []
        for _ in range(self.random.choice([0, 1, 1, 1, 2, 2, 3, 5])):
            way = self.random.random()
            name = (self.random.choice(NAMES[path]) if path in NAMES and way < 0.75 else
                    self.random.choice(OTHER_NAMES) if way < 0.9 else self.text()[:12])
            count = 2 if self.random.random() < 0.1 else 1
            for _ in range(count):
                if self.random.random() < 0.05:
                    parameters.append(self.encoded(name))
                else:
                    value = (self.random.choice(VALID[name])
                             if name in VALID and self.random.random() < 0.6 else self.text())
                    parameters.append(self.encoded(name) + b"=" + self.encoded(value))
        if not parameters:
            return b""
        return b"?" + b"&".join(parameters) + (b"&" if self.random.random() < 0.05 else b"")

    def header_value(self, choices):
        if self.random.random() < 0.8:
            return self.random.choice(choices)
        return bytes(self.random.choice(range(0x20, 0x100)) for _ in range(self.random.randrange(40)))

    def make(self):
        chance = self.random
        group = chance.random()
        path = (chance.choice(API) if group < 0.7 else
                chance.choice(list(PAGE)) if group < 0.9 else chance.choice(ELSEWHERE))
        target = path.encode() + (self.query(path) if path in API or chance.random() < 0.3
                                  else b"")
        request = Request(b"HEAD" if chance.random() < 0.15 else b"GET", path, target, [])
        if path == "/api/events" and chance.random() < 0.6 or chance.random() < 0.1:
            request.headers.append((b"Last-Event-ID", self.header_value(EVENT_IDS)))
        if chance.random() < 0.2:
            tag = self.tags.get(path, b'"0"')
            request.headers.append((b"If-None-Match", self.header_value([tag, b"*", b'"1"', tag])))
            request.tag_asked = True
        if chance.random() < 0.1:
            request.headers.append((b"Range", self.header_value(RANGES)))
            request.range_asked = True
        if chance.random() < 0.3:
            request.headers.append((b"Accept-Encoding", self.header_value(ENCODINGS)))
        for _ in range(chance.choice([0, 0, 0, 1, 3])):
            name = b"X-" + bytes(chance.choice(b"abcXYZ-_09!#$%&'*+.^`|~")
                                 for _ in range(chance.randrange(1, 12)))
            request.headers.append((name, self.header_value([b"", b"\x00", b"\xff" * 20])))
        # A header value ends at CR or LF; a NUL goes through as it is.
        request.headers = [(name, value.replace(b"\r", b"").replace(b"\n", b""))
                           for name, value in request.headers]
        return request


@dataclass
class Answer:
    status: int
    headers: http.client.HTTPMessage
    body: bytes
    readable: bool  # the body as sent, or decompressed: it can be checked


def ask(port, request):
    """The answer to the request, on a connection of its own; an event stream is read up to its
    first events and then left."""
    with socket.create_connection(("127.0.0.1", port), timeout=TIMEOUT) as sock:
        sock.sendall(request.raw(port))
        response = http.client.HTTPResponse(sock, method=request.method.decode())
        response.begin()
        # A stream may be labelled otherwise (a Range asked for a part of it).
        streaming = response.getheader("Content-Type", "").startswith("text/event-stream") or (
            request.path == "/api/events" and response.status in (200, 206))
        if streaming:
            body = b""
            while body.count(b"\n\n") < 2 and len(body) < 65536:
                piece = response.read1(65536)
                if not piece:
                    break
                body += piece
        else:
            body = response.read()
        encoding = response.getheader("Content-Encoding", "")
        readable = not encoding or encoding in ("gzip", "deflate") and not request.range_asked
        if encoding and readable and body:
            body = zlib.decompress(body, 16 + zlib.MAX_WBITS if encoding == "gzip" else 15)
        return Answer(response.status, response.headers, body, readable)


def problems(request, answer, *, log_readable, pages, private):
    """What is wrong with the answer, as texts; none when it is as it must be. `private`: texts
    of this machine no answer may carry (the log's folder)."""
    found = []
    allowed = {200, 304, 400, 404}
    error = None
    json_body = answer.headers.get("Content-Type", "").startswith("application/json")
    if answer.readable and json_body and answer.body and not request.range_asked:
        try:
            parsed = json.loads(answer.body)
            error = parsed.get("error") if isinstance(parsed, dict) else None
        except ValueError:
            found.append("an answer that is no JSON")
    unseen = not answer.readable or request.method == b"HEAD" or request.range_asked
    if not log_readable and (error == "the call log cannot be read" or
                             unseen and request.path in API[:4]):
        allowed.add(503)
    if request.path == "/api/events" and (error == "too many event streams" or unseen):
        allowed.add(503)  # the streams a fuzzer leaves open stay until a write fails
    if request.range_asked:
        allowed |= {206, 416}
    if len(request.raw(0)) > 1024:
        allowed |= {413, 414, 431}
    if answer.status not in allowed:
        found.append(f"status {answer.status}")
    if answer.status == 304 and not request.tag_asked:
        found.append("304 without If-None-Match")
    if answer.readable:
        for text in FORBIDDEN + private:
            if text in answer.body and not (request.path in PAGE and answer.status == 200):
                found.append(f"{text!r} in the answer")
    whole = (answer.status == 200 and request.path in PAGE and request.method == b"GET" and
             answer.readable and not request.range_asked)
    if whole and answer.body != pages[request.path]:
        found.append("the page's file differs from the one built in")
    return found


@dataclass
class Tally:
    requests: int = 0
    statuses: collections.Counter = field(default_factory=collections.Counter)
    problems: list = field(default_factory=list)


def fuzz(port, seed, count, *, log_readable, pages, tags, private, tally):
    """Sends count random requests made from seed, adds what came back to tally."""
    maker = RequestMaker(seed, tags)
    for index in range(count):
        request = maker.make()
        try:
            answer = ask(port, request)
        except (OSError, http.client.HTTPException, zlib.error) as failure:
            tally.problems.append((seed, index, request.raw(port)[:300], f"no answer: {failure!r}"))
            continue
        finally:
            tally.requests += 1
        tally.statuses[answer.status] += 1
        for problem in problems(request, answer, log_readable=log_readable, pages=pages,
                                private=private):
            tally.problems.append((seed, index, request.raw(port)[:300], problem))


def page_files(port):
    """The page's files as the gateway serves them, and their ETags, by path."""
    pages, tags = {}, {}
    for path, file in PAGE.items():
        pages[path] = file.read_bytes()
        tags[path] = ask(port, Request(b"GET", path, path.encode(), [])).headers["ETag"].encode()
    return pages, tags
