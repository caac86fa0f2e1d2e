"""A fake NCID server for the gateway's tests and load script. It behaves as the real server
does where a gateway can go wrong (docs/ncid.md):

- greets with 200 and 210 lines, waits 10 ms for HELLO lines, ends the startup with 252 and 300;
- takes one line per read: whatever else the same read brought is lost, and so is a line that
  arrives in pieces (`lost` counts both);
- in acknowledgement mode (REQ: ACK) answers each line with "ACK: " and the line;
- sends every call to every connection, the sending gateway included (CID: lines);
- matches RING, the type words and the field markers anywhere in a line (a RING drops the call,
  CALLOUT makes it outgoing, a NAME in the number gives the name from there), ends a line at the
  first "+++", takes a value of one byte as empty, cuts names at 50 bytes, and "crashes" (closes
  everything and stops) on a CALLINFO line without its closing "+++".

What it took is kept in `calls` (CALL lines) and `infos` (CALLINFO lines), as dicts of fields,
and the moment each call was taken (and acknowledged) in `taken_at`.
"""

import re
import socket
import sys
import threading
import time

GREETING = [b"200 NCID fake server", b"210 API: 1.5 Feature Set 1 2 3 4"]
HELLO_WAIT = 0.010
LABELS = ("DATE", "SCALL", "ECALL", "CALL", "LINE", "NMBR", "NAME", "BYE", "CANCEL")
TYPES = ("OUT", "HUP", "BLK", "PID", "WID")


def field_values(body):
    """The fields of "###DATE0305...CALLIN...NAMEx+++" as {label: value}, read the way the
    server reads them: the line ends at the first "+++"; each label is found anywhere in the
    line, not only after "..." (a NAME inside the number gives the name from there); a value
    ends at "...", NAME also at "+", NMBR and LINE also at "."; a type word anywhere gives the
    call its type; a value of one byte is empty."""
    body = body.split("+++")[0]
    fields = {}
    for label in LABELS:
        found = re.search(f"(?<![A-Z]){label}", body)
        if not found:
            continue
        value = body[found.end():].split("...")[0]
        if label == "NAME":
            value = value.split("+")[0]
        elif label in ("NMBR", "LINE"):
            value = value.split(".")[0]
        fields[label] = "" if len(value.encode()) == 1 else value
    for kind in TYPES:
        if "CALL" + kind in body:
            fields["CALL"] = kind
            break
    return fields


class FakeNcidServer:
    def __init__(self, port=0, on_call=None):
        self.calls, self.infos, self.faults, self.taken_at = [], [], [], []
        self.on_call = on_call
        self.lost = 0
        self.crashed = False
        self.port = port
        self._clients = []
        self._changed = threading.Condition()
        self.start()

    # Running and stopping ------------------------------------------------------------------

    def start(self):
        self.listener = socket.create_server(("127.0.0.1", self.port), reuse_port=False)
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.port = self.listener.getsockname()[1]
        self.running = True
        threading.Thread(target=self._accept, daemon=True).start()

    def stop(self):
        """Closes the listening socket and every connection, as a server that goes away."""
        self.running = False
        try:
            self.listener.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.listener.close()
        with self._changed:
            for client in self._clients:
                try:
                    client.shutdown(socket.SHUT_RDWR)
                except OSError:
                    pass
                client.close()
            self._clients.clear()

    def wait(self, predicate, seconds):
        deadline = time.monotonic() + seconds
        with self._changed:
            while not predicate(self):
                left = deadline - time.monotonic()
                if left <= 0:
                    raise AssertionError(f"not seen; calls {self.calls[-5:]}, faults "
                                         f"{self.faults}, lost {self.lost}")
                self._changed.wait(left)

    # One connection ------------------------------------------------------------------------

    def _accept(self):
        while self.running:
            try:
                client, _ = self.listener.accept()
            except OSError:
                return
            with self._changed:
                self._clients.append(client)
            threading.Thread(target=self._serve, args=(client,), daemon=True).start()

    def _send(self, client, line):
        try:
            client.sendall(line + b"\r\n")
        except OSError:
            pass

    def _serve(self, client):
        for line in GREETING:
            self._send(client, line)
        client.settimeout(HELLO_WAIT)
        try:
            while (line := self._read_line(client)) is not None:
                if not line.startswith(b"HELLO:"):
                    self._note(f"not a HELLO line in the startup: {line!r}")
        except socket.timeout:
            pass
        except OSError:
            return
        client.settimeout(None)
        self._send(client, b"252 Call log empty")
        self._send(client, b"300 End of connection startup")
        acknowledging = False
        try:
            while (line := self._read_line(client)) is not None:
                if line == b"REQ: ACK":
                    acknowledging = True
                    self._send(client, b"ACK: REQ: ACK")
                    continue
                if acknowledging:
                    self._send(client, b"ACK: " + line)
                self._take(line)
        except OSError:
            pass

    def _read_line(self, client):
        """One read, one line: the rest of what the read brought is lost, and so is a line that
        did not come whole. None when the connection ended."""
        while True:
            data = client.recv(65536)
            if not data:
                return None
            line, end, rest = data.partition(b"\n")
            with self._changed:
                if rest or not end:
                    self.lost += 1
                    self._changed.notify_all()
            if end:
                return line.rstrip(b"\r")

    # What the server does with a line ------------------------------------------------------

    def _note(self, fault):
        with self._changed:
            self.faults.append(fault)
            self._changed.notify_all()

    def _take(self, line):
        if line[:1] >= b"\x80":
            return
        text = line.decode("utf-8", "replace")
        if text.startswith("CALL: "):
            if "RING" in text:
                return self._note(f"a call dropped for RING: {text}")
            fields = field_values(text[len("CALL: "):].removeprefix("###"))
            name = fields.get("NAME", "").encode()[:50]
            fields["NAME"] = name.decode("utf-8", "replace")
            if len(fields.get("DATE", "")) not in (0, 8):
                self._note(f"a DATE of another length: {text}")
            with self._changed:
                self.calls.append(fields)
                self.taken_at.append(time.time())
                self._changed.notify_all()
            if self.on_call:
                self.on_call(fields)
            self._echo(b"CID: *DATE*" + fields.get("DATE", "").encode() + b"*NMBR*" +
                       fields.get("NMBR", "").encode() + b"*NAME*" + name + b"*")
        elif text.startswith("CALLINFO: "):
            if not text.endswith("+++"):
                self.crashed = True
                self._note(f"crashed on {text}")
                return self.stop()
            with self._changed:
                self.infos.append(field_values(text[len("CALLINFO: "):].removeprefix("###")))
                self._changed.notify_all()
            self._echo(b"CIDINFO: *LINE*-*RING*-1*")
        else:
            self._note(f"a line it does not know: {text}")

    def _echo(self, line):
        with self._changed:
            clients = list(self._clients)
        for client in clients:
            self._send(client, line)


def main():
    """Serves on the port given (default: a free one) as a program of its own, so that a load
    script's other threads do not slow it: prints "port N", then for each call taken its number
    and the moment it was taken."""
    sys.setswitchinterval(0.0005)
    server = FakeNcidServer(int(sys.argv[1]) if len(sys.argv) > 1 else 0,
                            lambda fields: print(fields.get("NMBR", ""), time.time(), flush=True))
    print(f"port {server.port}", flush=True)
    threading.Event().wait()


if __name__ == "__main__":
    main()
