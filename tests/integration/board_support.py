"""The board's HTTP for its tests and its load script: requests, and Server-Sent Events read by a
thread and waited for with deadlines."""

import base64
import http.client
import json
import socket
import ssl
import urllib.error
import urllib.request

from conftest import ROOT, TIMEOUT
from gateway_support import Lines


def call_log_schema():
    """The SQL that creates a call log, as docs/call-log.md gives it: a log written without the
    gateway, as one from before the board's indexes."""
    return (ROOT / "docs" / "call-log.md").read_text().split("```sql")[1].split("```")[0]


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
    """Each event of the stream as JSON text: its fields, the data parsed."""
    fields = {}
    for raw in _lines(response):
        line = raw.decode().rstrip("\r\n")
        if line:
            if not line.startswith(":"):
                name, _, value = line.partition(": ")
                fields[name] = value
            continue
        if "event" in fields:
            yield json.dumps({"event": fields["event"], "id": int(fields["id"]),
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

    def close(self):
        """Cuts the connection; the reading thread sees its end."""
        try:
            self.connection.sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.events.finish()
