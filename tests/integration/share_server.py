"""A stand-in for a gateway's share (docs/share.md), for the desk's tests: it plays the gateway's
side of the wire format over HTTP or HTTPS with the standard library alone. Each desk that opens
the event stream gets a hello and then the text the test sends; its writes are recorded, and an
opening "[" is acknowledged with the terminal's "ACK" on that desk's stream, as a terminal that
answers at once. It can refuse (a wrong password, no share), go away and come back on the same
port with more calls in its log."""

import base64
import http.server
import json
import queue
import secrets
import socket
import ssl
import subprocess
import threading
import time

PASSWORD = "desk-password"
# The gateway's comment on a quiet stream, every 15 s.
KEEP_ALIVE = 15


def make_certificate(folder, name="gateway"):
    """A self-signed certificate and its key, as a gateway makes its own; returns the paths and
    the certificate's SHA-256 fingerprint as openssl prints it."""
    cert, key = folder / f"{name}.pem", folder / f"{name}.key"
    subprocess.run(
        ["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
         "-nodes", "-days", "2", "-subj", "/CN=velko-share-test", "-addext",
         "subjectAltName=IP:127.0.0.1,DNS:localhost", "-keyout", str(key), "-out", str(cert)],
        check=True, capture_output=True)
    printed = subprocess.run(["openssl", "x509", "-in", str(cert), "-noout", "-fingerprint",
                              "-sha256"], check=True, capture_output=True, text=True).stdout
    return cert, key, printed.strip().split("=", 1)[1]


def cp949_replaced(text):
    """How many characters of text the terminal's code page lacks (sent as "?")."""
    count = 0
    for character in text:
        try:
            character.encode("cp949")
        except UnicodeEncodeError:
            count += 1
    return count


class Desk:
    """One open event stream."""

    def __init__(self):
        self.id = secrets.token_hex(4)
        self.outbox = queue.Queue()


class ShareServer:
    def __init__(self, certificate=None, terminal=True, calls=0, acknowledge=True, share=True):
        self.certificate = certificate  # (cert, key) for HTTPS, None for HTTP
        self.terminal = terminal
        self.calls = calls
        self.acknowledge = acknowledge
        self.share = share
        self.lock = threading.Condition()
        self.desks = {}
        self.writes = []  # (desk id, text, wait_ms) in the order they came
        self.authorizations = []  # every Authorization header that came, None when missing
        self.sent = []  # (name, data, perf_counter once written) of each event after the hello
        self.connections = set()
        self.port = 0
        self.httpd = None
        self.start()

    @property
    def url(self):
        return f"{'https' if self.certificate else 'http'}://127.0.0.1:{self.port}"

    def start(self):
        server = self

        class Handler(ShareHandler):
            share_server = server

        httpd = QuietServer(("127.0.0.1", self.port), Handler)
        if self.certificate:
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(*self.certificate)
            # The handshake happens on the connection's own thread, at its first read.
            httpd.socket = context.wrap_socket(httpd.socket, server_side=True,
                                               do_handshake_on_connect=False)
        self.port = httpd.server_address[1]
        self.httpd = httpd
        threading.Thread(target=httpd.serve_forever, kwargs={"poll_interval": 0.05},
                         daemon=True).start()

    def stop(self):
        """Goes away: stops listening and cuts every connection, the streams' included."""
        self.httpd.shutdown()
        self.httpd.server_close()
        with self.lock:
            for connection in list(self.connections):
                try:
                    connection.shutdown(socket.SHUT_RDWR)
                except OSError:
                    pass
            for desk in self.desks.values():
                desk.outbox.put(None)
            self.desks.clear()
            self.lock.notify_all()

    def come_back(self, calls=None):
        """Listens again on the same port, with more calls in its log."""
        if calls is not None:
            self.calls = calls
        self.start()

    def send_text(self, text):
        self.send_event("text", {"text": text})

    def send_event(self, name, data):
        with self.lock:
            for desk in self.desks.values():
                desk.outbox.put((name, data))

    def wait_for(self, predicate, seconds=10):
        """Waits until predicate() holds, under the server's lock; returns whether it did."""
        end = time.monotonic() + seconds
        with self.lock:
            while not predicate():
                left = end - time.monotonic()
                if left <= 0:
                    return False
                self.lock.wait(left)
            return True

    def wait_for_desks(self, count, seconds=10):
        assert self.wait_for(lambda: len(self.desks) >= count, seconds), \
            f"{len(self.desks)} desks, not {count}"

    def wait_for_writes(self, count, seconds=10):
        assert self.wait_for(lambda: len(self.writes) >= count, seconds), \
            f"writes {self.writes}"
        return list(self.writes)


class QuietServer(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # a desk that gives up a handshake or a connection is ordinary here


class ShareHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    share_server = None

    def log_message(self, *args):
        pass

    def setup(self):
        super().setup()
        with self.share_server.lock:
            self.share_server.connections.add(self.connection)

    def finish(self):
        with self.share_server.lock:
            self.share_server.connections.discard(self.connection)
        try:
            super().finish()
        except OSError:
            pass

    def answer(self, status, body=b"", headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def authorized(self):
        server = self.share_server
        given = self.headers.get("Authorization")
        with server.lock:
            server.authorizations.append(given)
            server.lock.notify_all()
        expected = "Basic " + base64.b64encode(f"desk:{PASSWORD}".encode()).decode()
        if not server.share:
            self.answer(404)
            return False
        if given != expected:
            self.answer(401, headers=[("WWW-Authenticate", 'Basic realm="share"')])
            return False
        return True

    def do_GET(self):
        if self.path != "/share/stream":
            return self.answer(404)
        if not self.authorized():
            return
        server = self.share_server
        desk = Desk()
        # The body runs until the connection closes, unchunked (docs/share.md says why).
        self.send_response(200)
        self.send_header("Content-Type", "text/event-stream")
        self.send_header("Cache-Control", "no-store")
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True
        try:
            self.send_chunk("hello", {"desk": desk.id, "terminal": server.terminal,
                                      "calls": server.calls})
            with server.lock:
                server.desks[desk.id] = desk
                server.lock.notify_all()
            while True:
                try:
                    event = desk.outbox.get(timeout=KEEP_ALIVE)
                except queue.Empty:
                    self.send_bytes(b": keeps the connection open\n\n")
                    continue
                if event is None:
                    return
                self.send_chunk(*event)
                with server.lock:
                    server.sent.append((*event, time.perf_counter()))
        except OSError:
            pass
        finally:
            with server.lock:
                server.desks.pop(desk.id, None)
                server.lock.notify_all()

    def send_chunk(self, name, data):
        self.send_bytes(f"event: {name}\ndata: {json.dumps(data, ensure_ascii=False)}\n\n".encode())

    def send_bytes(self, data):
        self.wfile.write(data)
        self.wfile.flush()

    def do_POST(self):
        if self.path != "/share/write":
            return self.answer(404)
        length = int(self.headers.get("Content-Length", "0"))
        if length > 4096:
            self.close_connection = True
            return self.answer(413)
        body = self.rfile.read(length)
        if not self.authorized():
            return
        server = self.share_server
        write = json.loads(body)
        with server.lock:
            desk = server.desks.get(write["desk"])
            if desk is None:
                return self.answer(404)
            server.writes.append((write["desk"], write["text"], write["wait_ms"]))
            server.lock.notify_all()
        replaced = cp949_replaced(write["text"])
        self.answer(200, json.dumps({"written": True, "replaced": replaced}).encode(),
                    [("Content-Type", "application/json")])
        if write["text"] == "[" and server.acknowledge:
            desk.outbox.put(("text", {"text": "ACK\r\n"}))


class SilentServer:
    """Takes connections and never says a word: a gateway that hangs."""

    def __init__(self):
        self.socket = socket.create_server(("127.0.0.1", 0))
        self.port = self.socket.getsockname()[1]
        self.accepted = threading.Event()
        self.held = []
        threading.Thread(target=self.hold, daemon=True).start()

    def hold(self):
        while True:
            try:
                connection, _ = self.socket.accept()
            except OSError:
                return
            self.held.append(connection)
            self.accepted.set()

    def stop(self):
        self.socket.close()
        for connection in self.held:
            connection.close()
