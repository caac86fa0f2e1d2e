"""The board's HTTP for its tests and its load script: requests, and Server-Sent Events read by a
thread and waited for with deadlines."""

import base64
import contextlib
import http.client
import json
import os
import socket
import sqlite3
import ssl
import subprocess
import urllib.error
import urllib.request

from conftest import ROOT, TIMEOUT
from gateway_support import Lines, free_port

PASSWORD = "s3cret"


def call_log_schema():
    """The SQL that creates a call log, as docs/call-log.md gives it: a log written without the
    gateway, as one from before the board's indexes."""
    return (ROOT / "docs" / "call-log.md").read_text().split("```sql")[1].split("```")[0]


def write_calls(calls, count):
    """A call log of `count` calls written without the gateway, ids 1 to count."""
    with contextlib.closing(sqlite3.connect(calls)) as db:
        db.executescript(call_log_schema())
        db.executemany("INSERT INTO calls (received, line, state, month, day, hour, minute, number,"
                       " name, \"group\", type) VALUES ('2026-03-05T00:07:00.000Z', 'shop', 1, 3,"
                       " 5, 9, 7, ?, ?, 0, 'NORMAL')",
                       ((f"02{index:08d}", ["", "홍길동", "김철수"][index % 3])
                        for index in range(count)))
        db.commit()


@contextlib.contextmanager
def log_away(calls):
    """The call log's file moved away meanwhile: a new connection cannot open it, one open
    already still reads it, and the gateway still writes to it."""
    away = calls.with_name(calls.name + ".away")
    os.rename(calls, away)
    try:
        yield
    finally:
        os.rename(away, calls)


@contextlib.contextmanager
def deliveries_away(calls):
    """The log's deliveries table renamed meanwhile: every read of the board fails, also on a
    connection open already, while the gateway still logs the calls of a line without outputs."""
    def rename(old, new):
        with contextlib.closing(sqlite3.connect(calls, timeout=TIMEOUT)) as db:
            db.execute(f"ALTER TABLE {old} RENAME TO {new}")
            db.commit()
    rename("deliveries", "deliveries_away")
    try:
        yield
    finally:
        rename("deliveries_away", "deliveries")


def get(url, password=None, cafile=None, headers=None):
    """(status, headers, body) of a GET; an error status is returned, not raised."""
    request = urllib.request.Request(url, headers=dict(headers or {}))
    if password is not None:
        request.add_header("Authorization", basic_authorization(password))
    context = ssl.create_default_context(cafile=cafile) if cafile else None
    try:
        with urllib.request.urlopen(request, timeout=TIMEOUT, context=context) as response:
            return response.status, response.headers, response.read()
    except urllib.error.HTTPError as error:
        return error.code, error.headers, error.read()


def get_json(url, **options):
    status, _, body = get(url, **options)
    return status, json.loads(body)


def _lines(response):
    """The lines of the response until it ends or its connection is cut."""
    try:
        yield from response
    except (OSError, ValueError, AttributeError, http.client.HTTPException):
        return


def _events(response):
    """Each event of the stream as JSON text: its fields, the data parsed; `id` is None for an
    event without one (`log`)."""
    fields = {}
    for raw in _lines(response):
        line = raw.decode().rstrip("\r\n")
        if line:
            if not line.startswith(":"):
                name, _, value = line.partition(": ")
                fields[name] = value
            continue
        if "event" in fields:
            yield json.dumps({"event": fields["event"],
                              "id": int(fields["id"]) if "id" in fields else None,
                              "data": json.loads(fields["data"])}).encode()
        fields = {}


def basic_authorization(password):
    return "Basic " + base64.b64encode(f"velko:{password}".encode()).decode()


class Events:
    """/api/events of the board on the port, its events kept in order in `events` (Lines); over
    HTTPS with the SSL context given, with the password given."""

    def __init__(self, port, last_event_id=None, context=None, password=None):
        if context is None:
            self.connection = http.client.HTTPConnection("127.0.0.1", port, timeout=TIMEOUT)
        else:
            self.connection = http.client.HTTPSConnection("127.0.0.1", port, timeout=TIMEOUT,
                                                          context=context)
        headers = {} if last_event_id is None else {"Last-Event-ID": str(last_event_id)}
        if password is not None:
            headers["Authorization"] = basic_authorization(password)
        self.connection.request("GET", "/api/events", headers=headers)
        self.response = self.connection.getresponse()
        assert self.response.status == 200
        self.events = Lines(_events(self.response), json.loads)

    def calls(self):
        return [event["data"] for event in self.events.matching(lambda e: e["event"] == "call")]

    def wait_calls(self, count, seconds=None):
        """The calls once `count` have come."""
        self.events.wait(lambda _: len(self.calls()) >= count, seconds)
        return self.calls()

    def wait_log(self, readable, seconds=None):
        """Waits for the `log` event that tells the log can (or cannot) be read."""
        return self.events.wait(
            lambda event: event["event"] == "log" and event["data"]["readable"] == readable,
            seconds)

    def close(self):
        """Cuts the connection; the reading thread sees its end."""
        try:
            self.connection.sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.events.finish()


def connect(port, context=None, source="127.0.0.1", receive_buffer=None, handshake=True):
    """A connection to the board on the port from the source address given."""
    raw = socket.socket()
    if receive_buffer:
        raw.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, receive_buffer)
    raw.bind((source, 0))
    raw.settimeout(10)
    raw.connect(("127.0.0.1", port))
    if context is None:
        return raw
    return context.wrap_socket(raw, server_hostname="127.0.0.1",
                               do_handshake_on_connect=handshake)


def certificate(folder):
    """A self-signed certificate for 127.0.0.1 and its key; the SSL context that trusts it."""
    cert, key = folder / "cert.pem", folder / "key.pem"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                    "-keyout", str(key), "-out", str(cert), "-subj", "/CN=127.0.0.1",
                    "-addext", "subjectAltName=IP:127.0.0.1"], check=True, capture_output=True)
    return cert, key, ssl.create_default_context(cafile=str(cert))


class Board:
    """A gateway started by `start` (a Gateway's maker) with its board on a free port: plain
    HTTP on loopback, or HTTPS with the password PASSWORD; `calls` written into its log before it
    starts."""

    def __init__(self, folder, start, https=False, calls=0):
        log = folder / "calls.db"
        if calls:
            write_calls(log, calls)
        self.port = free_port()
        options = ["--device", "1=/nonexistent", "--calls", str(log), "--http", str(self.port)]
        self.context = self.password = self.cafile = None
        if https:
            cert, key, self.context = certificate(folder)
            self.cafile = str(cert)
            password = folder / "password"
            password.write_text(PASSWORD + "\n")
            self.password = PASSWORD
            options += ["--http-cert", str(cert), "--http-key", str(key),
                        "--http-password-file", str(password)]
        self.gateway = start(*options)
        self.url = self.gateway.expect(60, event="listening")["url"].rstrip("/")
        self.pid = self.gateway.proc.pid

    def get(self, path, **options):
        return get(self.url + path, password=self.password, cafile=self.cafile, **options)

    def connect(self, **options):
        return connect(self.port, self.context, **options)


def write_calls(log, count):
    """count calls of one moment, each of its own number, in a new call log."""
    with sqlite3.connect(log) as db:
        db.executescript(call_log_schema())
        db.executemany("INSERT INTO calls (received, line, state, month, day, hour, minute, "
                       "number, name, \"group\", type) VALUES ('2026-03-05T00:07:00.000Z', "
                       "'shop', 1, 3, 5, 9, 7, ?, '홍길동', 2, 'NORMAL')",
                       ((f"02{index:08d}",) for index in range(count)))
