"""Helpers for driving the velko tool over pseudo-terminals.

The tool under test is the program named by $VELKO (build/bin/velko by default); the tests talk
to it only through its command line, standard input and standard output, so that the same suite
runs against any build of it. Waiting is always on a condition with a deadline, never a sleep.
"""

import collections
import fcntl
import json
import os
import select
import signal
import subprocess
import time
import tty
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
VELKO = os.environ.get("VELKO") or str(ROOT / "build" / "bin" / "velko")
TIMEOUT = float(os.environ.get("VELKO_TEST_TIMEOUT", "10"))

CRLF = b"\r\n"


def cp949(text):
    return text.encode("cp949")


def report(*lines):
    """A framed report from the terminal: the header, the body lines and the end line."""
    return b"".join(line + CRLF for line in [b"Report", *lines, b"End"])


def response(*lines):
    return b"".join(line + CRLF for line in [b"Response", *lines, b"End"])


class Deadline:
    def __init__(self, seconds=None):
        self.end = time.monotonic() + (TIMEOUT if seconds is None else seconds)

    def left(self):
        return max(0.0, self.end - time.monotonic())

    def passed(self):
        return time.monotonic() >= self.end


class LineEnd:
    """One end of a serial line: what arrives on it is collected in `received`."""

    def __init__(self, fd):
        self.fd = fd
        os.set_blocking(fd, False)
        self.received = b""

    def send(self, data):
        os.write(self.fd, data)

    def _read_until(self, stop, deadline):
        while not stop() and not deadline.passed():
            if select.select([self.fd], [], [], deadline.left())[0]:
                try:
                    self.received += os.read(self.fd, 4096)
                except (BlockingIOError, OSError):
                    pass

    def read_until(self, predicate, seconds=None):
        """Reads until predicate(everything received) holds; returns everything received."""
        self._read_until(lambda: predicate(self.received), Deadline(seconds))
        if not predicate(self.received):
            raise AssertionError(f"received only {self.received!r}")
        return self.received

    def expect(self, data, seconds=None):
        """Waits until the received bytes end with data."""
        return self.read_until(lambda got: got.endswith(data), seconds)

    def quiet_for(self, seconds):
        """Everything received by the end of the given time: for asserting that nothing came."""
        self._read_until(lambda: False, Deadline(seconds))
        return self.received


class Terminal(LineEnd):
    """The terminal's end of a serial line: the master of a pseudo-terminal. The program under
    test opens `path` as its serial port."""

    def __init__(self):
        master, self.slave = os.openpty()
        tty.setraw(master)
        tty.setraw(self.slave)
        self.path = os.ttyname(self.slave)
        super().__init__(master)

    def close(self):
        """Closes both ends, as a terminal that goes away does; a second close does nothing."""
        if self.fd >= 0:
            os.close(self.fd)
            os.close(self.slave)
            self.fd = -1


class Device(LineEnd):
    """The PC's end of a serial line: a device file opened in raw mode."""

    def __init__(self, path):
        fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
        tty.setraw(fd)
        super().__init__(fd)

    def close(self):
        os.close(self.fd)


class Tool:
    """A running velko command whose standard output is read line by line with deadlines."""

    def __init__(self, *args):
        self.proc = subprocess.Popen(
            [VELKO, *args],
            stdin=subprocess.PIPE,
            stdout=subprocess.PIPE,
            stderr=subprocess.PIPE,
        )
        self.fd = self.proc.stdout.fileno()
        os.set_blocking(self.fd, False)
        self.pending = b""
        self.ended = False

    def write(self, text):
        self.proc.stdin.write(text.encode())
        self.proc.stdin.flush()

    def read_line(self, deadline):
        """The next line of output, or None once the output has ended."""
        while b"\n" not in self.pending:
            if self.ended:
                return None
            if deadline.passed():
                raise AssertionError(f"no output within the deadline; partial {self.pending!r}")
            if select.select([self.fd], [], [], deadline.left())[0]:
                chunk = os.read(self.fd, 65536)
                self.ended = not chunk
                self.pending += chunk
        line, self.pending = self.pending.split(b"\n", 1)
        return line.decode()

    def signal(self, number):
        self.proc.send_signal(number)

    def finish(self, seconds=None):
        """Closes standard input, waits for the exit and returns the exit status."""
        if not self.proc.stdin.closed:
            self.proc.stdin.close()
        return self.proc.wait(TIMEOUT if seconds is None else seconds)

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        for stream in (self.proc.stdin, self.proc.stdout, self.proc.stderr):
            stream.close()


class Shell(Tool):
    """`velko shell --json` with port numbers mapped to devices. Output objects are kept in order
    until a test takes them."""

    def __init__(self, devices=None, *extra):
        args = ["shell", "--json", *extra]
        for number, path in (devices or {}).items():
            args += ["--device", f"{number}={path}"]
        super().__init__(*args)
        self.unread = collections.deque()

    def send(self, line):
        self.write(line + "\n")

    def take(self, predicate, seconds=None):
        """Removes and returns the first output object that satisfies predicate, reading more
        output as needed."""
        deadline = Deadline(seconds)
        scanned = 0
        while True:
            for index in range(scanned, len(self.unread)):
                if predicate(self.unread[index]):
                    found = self.unread[index]
                    del self.unread[index]
                    return found
            scanned = len(self.unread)
            line = self.read_line(deadline)
            if line is None:
                raise AssertionError(f"output ended; unread {list(self.unread)}")
            self.unread.append(json.loads(line))

    def call(self, line, seconds=None):
        """Sends a line and returns the object that reports it (a call or a line not read)."""
        self.send(line)
        return self.take(lambda o: "call" in o or "input" in o, seconds)

    def event(self, name, seconds=None):
        return self.take(lambda o: o.get("event") == name, seconds)

    def feed(self, terminal, data):
        """Sends data from the terminal and returns, in order, every event it caused: waits until
        the control has echoed all of it through ReceiveReal, then for a marker call."""
        expected = data.decode("cp949")
        terminal.send(data)
        events, echoed = [], ""
        while echoed != expected:
            assert expected.startswith(echoed), f"echoed {echoed!r}, sent {expected!r}"
            events.append(self.take(lambda o: "event" in o))
            if events[-1]["event"] == "ReceiveReal":
                echoed += events[-1]["str"]
        return events + self.events_until_sync()

    def events_until_sync(self):
        """Every event output before a marker call made now; they are removed."""
        marker = self.call('EventTest "sync"')
        assert marker == {"call": "EventTest", "result": None, "args": ["sync"]}
        events = [o for o in self.unread if "event" in o]
        self.unread.clear()
        return events


@pytest.fixture
def terminal():
    line = Terminal()
    yield line
    line.close()


@pytest.fixture
def terminals():
    """A factory of serial lines, closed at the end of the test."""
    made = []

    def make():
        made.append(Terminal())
        return made[-1]

    yield make
    for line in made:
        line.close()


@pytest.fixture
def shell_factory():
    """Starts `velko shell --json` with the given port map; every shell is ended with the test."""
    started = []

    def start(devices=None, *extra):
        started.append(Shell(devices, *extra))
        return started[-1]

    yield start
    for shell in started:
        shell.kill()


@pytest.fixture
def tool_factory():
    started = []

    def start(*args):
        started.append(Tool(*args))
        return started[-1]

    yield start
    for tool in started:
        if tool.proc.poll() is None:
            tool.signal(signal.SIGTERM)
            try:
                tool.proc.wait(TIMEOUT)
            except subprocess.TimeoutExpired:
                pass
        tool.kill()


@pytest.fixture
def opened(terminal, shell_factory):
    """A shell with port 3 open on the terminal's line."""
    shell = shell_factory({3: terminal.path})
    assert shell.call('OpenVelko COM3 ""')["result"] == 0
    return shell


@pytest.fixture
def sims():
    """A factory of simulators on pseudo-terminals (gateway_support.Sim), ended with the test."""
    from gateway_support import Sim

    made = []

    def start(*options, env=None):
        made.append(Sim(*options, env=env))
        return made[-1]

    yield start
    for sim in made:
        sim.kill()


@pytest.fixture
def gateways():
    """A factory of `velko gateway --json` runs (gateway_support.Gateway) in Korea's time zone,
    killed at the end of the test."""
    from gateway_support import Gateway, environment

    started = []

    def start(*options, env=None, prefix=()):
        started.append(Gateway(*options, env=env or environment(TZ="Asia/Seoul"), prefix=prefix))
        return started[-1]

    yield start
    for gateway in started:
        gateway.kill()


@pytest.fixture
def broker(tmp_path):
    """A mosquitto broker of the test's own on a free loopback port."""
    from gateway_support import Broker

    folder = tmp_path / "broker"
    folder.mkdir()
    started = Broker(folder)
    yield started
    started.stop()


def locked_by_another_program(path):
    """Opens the device and takes its lock, as another program holding the port does."""
    fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
    fcntl.flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
    return fd


@pytest.fixture
def ncid():
    """A fake NCID server of the test's own on a free loopback port."""
    from ncid_server import FakeNcidServer

    server = FakeNcidServer()
    yield server
    server.stop()
