"""Processes for the gateway's tests and its load script: the simulator, the gateway itself and a
log listing. Output is read by threads and waited for with deadlines, never with sleeps."""

import json
import os
import signal
import subprocess
import threading
import time

from conftest import TIMEOUT, VELKO, Deadline


class Lines:
    """The lines a process writes to a stream, collected by a thread; waiters block on a
    condition with a deadline."""

    def __init__(self, stream, parse=lambda line: line):
        self.items = []
        self.ended = False
        self._changed = threading.Condition()
        self._thread = threading.Thread(target=self._read, args=(stream, parse), daemon=True)
        self._thread.start()

    def _read(self, stream, parse):
        for raw in stream:
            item = parse(raw.decode("utf-8", "replace").rstrip("\n"))
            with self._changed:
                self.items.append(item)
                self._changed.notify_all()
        with self._changed:
            self.ended = True
            self._changed.notify_all()

    def wait(self, predicate, seconds=None, start=0):
        """The index of the first item from start on that satisfies predicate."""
        deadline = Deadline(seconds)
        with self._changed:
            while True:
                for index in range(start, len(self.items)):
                    if predicate(self.items[index]):
                        return index
                if self.ended or deadline.passed():
                    raise AssertionError(f"not seen; last lines {self.items[-8:]}")
                self._changed.wait(deadline.left())

    def matching(self, predicate):
        with self._changed:
            return [item for item in self.items if predicate(item)]


class Sim:
    """`velko sim` on a new pseudo-terminal, its log discarded as it comes."""

    def __init__(self, *options):
        self.proc = subprocess.Popen([VELKO, "sim", *options], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.log = Lines(self.proc.stdout)
        self.log.wait(lambda line: line.startswith("/dev/"))
        self.path = self.log.items[0]

    def play(self, *lines):
        self.proc.stdin.write("".join(line + "\n" for line in lines).encode())
        self.proc.stdin.flush()

    def kill(self):
        """Ends it at once: its end of the line closes, as when the device is pulled."""
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait()
        self.proc.stdin.close()


def event_of(line):
    try:
        return json.loads(line)
    except json.JSONDecodeError:
        return {"event": "unreadable", "line": line}


class Gateway:
    """`velko gateway --json` with the options given; its events are kept in order."""

    def __init__(self, *options, env=None):
        self.proc = subprocess.Popen([VELKO, "gateway", "--json", *options],
                                     stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, env=env)
        self.events = Lines(self.proc.stdout, event_of)
        self.errors = Lines(self.proc.stderr)
        self.seen = 0

    def expect(self, seconds=None, **fields):
        """The next event, after those already expected, that has the fields given."""
        index = self.events.wait(
            lambda event: all(event.get(key) == value for key, value in fields.items()),
            seconds, self.seen)
        self.seen = index + 1
        return self.events.items[index]

    def connected(self, peer, seconds=None):
        return self.expect(seconds, event="connection", peer=peer, state="connected")

    def delivered(self, output):
        """The ids of the calls delivered to the output, in the order they were."""
        return [event["call"] for event in self.events.matching(
            lambda event: event.get("event") == "delivered" and event["output"] == output)]

    def stop(self, number=signal.SIGTERM):
        """Sends the signal; returns the exit status and the seconds the exit took."""
        started = time.monotonic()
        self.proc.send_signal(number)
        status = self.proc.wait(TIMEOUT)
        return status, time.monotonic() - started

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


def velko_log(calls, *options):
    """The output of `velko log --calls CALLS` with the options given."""
    done = subprocess.run([VELKO, "log", "--calls", str(calls), *options], capture_output=True,
                          timeout=TIMEOUT, check=True)
    return done.stdout.decode()


def logged_calls(calls):
    """Every logged call as `velko log --json` gives it, oldest first."""
    return [json.loads(line) for line in reversed(velko_log(calls, "--json").splitlines())]


def environment(**variables):
    merged = dict(os.environ)
    merged.update(variables)
    return merged
