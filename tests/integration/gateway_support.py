"""Processes for the gateway's tests and its load script: the simulator, the gateway itself and a
log listing. Output is read by threads and waited for with deadlines, never with sleeps."""

import getpass
import json
import os
import signal
import socket
import subprocess
import threading
import time
from pathlib import Path

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
        """The index of the first item from start on that satisfies predicate; each item is
        tested once."""
        deadline = Deadline(seconds)
        index = start
        with self._changed:
            while True:
                while index < len(self.items):
                    if predicate(self.items[index]):
                        return index
                    index += 1
                if self.ended or deadline.passed():
                    raise AssertionError(f"not seen; last lines {self.items[-8:]}")
                self._changed.wait(deadline.left())

    def finish(self):
        """Waits until the stream has ended and every line is kept."""
        self._thread.join(TIMEOUT)

    def matching(self, predicate):
        with self._changed:
            return [item for item in self.items if predicate(item)]


class Sim:
    """`velko sim` on a new pseudo-terminal, its log discarded as it comes."""

    def __init__(self, *options, env=None):
        self.proc = subprocess.Popen([VELKO, "sim", *options], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
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
    """`velko gateway --json` with the options given, run by the command prefix given if any;
    its events are kept in order."""

    def __init__(self, *options, env=None, prefix=()):
        self.proc = subprocess.Popen([*prefix, VELKO, "gateway", "--json", *options],
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
        seconds = time.monotonic() - started
        self.events.finish()
        return status, seconds

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


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Broker:
    """A mosquitto broker of its own on a loopback port, its retained messages and sessions
    kept in `folder` across a stop and a start. It runs as the user running the tests (started
    by root, mosquitto would otherwise become a user that cannot write the folder)."""

    def __init__(self, folder, port=None, anonymous=True, extra=""):
        self.folder = Path(folder)
        self.port = port or free_port()
        self.config = self.folder / "mosquitto.conf"
        self.config.write_text(f"listener {self.port} 127.0.0.1\n"
                               f"allow_anonymous {str(anonymous).lower()}\n"
                               f"persistence true\npersistence_location {self.folder}/\n"
                               f"log_dest stderr\nuser {getpass.getuser()}\n{extra}")
        self.proc = None
        self.start()

    def start(self):
        self.proc = subprocess.Popen(["mosquitto", "-c", str(self.config)],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.log = Lines(self.proc.stderr)
        self.log.wait(lambda line: line.endswith(" running"))

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            self.proc.wait(TIMEOUT)


class Subscriber:
    """An MQTT client with a session that outlives its connection (QoS 1, clean session off),
    so that nothing published while the broker was away is lost to it. Messages are kept in
    order as (topic, payload text, retained, arrival time)."""

    def __init__(self, port, *topics, client_id="velko-test-subscriber"):
        import paho.mqtt.client as mqtt  # only the MQTT tests need it

        self.messages = []
        self._changed = threading.Condition()
        self.client = mqtt.Client(client_id=client_id, clean_session=False)
        self.client.reconnect_delay_set(min_delay=1, max_delay=1)
        self.client.on_connect = lambda client, *_: [client.subscribe(t, qos=1) for t in topics]
        self.client.on_message = self._received
        self.client.connect("127.0.0.1", port)
        self.client.loop_start()

    def _received(self, client, userdata, message):
        with self._changed:
            self.messages.append((message.topic, message.payload.decode(), bool(message.retain),
                                  time.time()))
            self._changed.notify_all()

    def wait(self, predicate, seconds=None):
        """The messages once predicate(messages) holds."""
        deadline = Deadline(seconds)
        with self._changed:
            while not predicate(self.messages):
                if deadline.passed():
                    raise AssertionError(f"not seen; last messages {self.messages[-8:]}")
                self._changed.wait(deadline.left())
            return list(self.messages)

    def payloads(self, topic):
        with self._changed:
            return [payload for got, payload, _, _ in self.messages if got == topic]

    def close(self):
        self.client.loop_stop()
        self.client.disconnect()
