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
import urllib.error
import urllib.request

from conftest import ROOT, TIMEOUT
from gateway_support import Lines


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
        token = base64.b64encode(f"velko:{password}".encode()).decode()
        request.add_header("Authorization", f"Basic {token}")
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


class Events:
    """/api/events of the board on the port, its events kept in order in `events` (Lines)."""

    def __init__(self, port, last_event_id=None):
        self.connection = http.client.HTTPConnection("127.0.0.1", port, timeout=TIMEOUT)
        headers = {} if last_event_id is None else {"Last-Event-ID": str(last_event_id)}
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
