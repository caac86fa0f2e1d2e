#!/usr/bin/env python3
"""Figures for velko gateway under load, measured end to end.

The simulator plays the terminal on a pseudo-terminal; the gateway delivers to a mosquitto broker
of this script's own (a QoS 1 subscriber listens) and to the fake NCID server of the tests.
Prints:

  (a) latency, calls one at a time: from the moment the scenario line goes to the simulator
      (which sends the report at once) to the subscriber's receipt of the call, median and 99th
      percentile, and to the NCID server's taking (and acknowledging) it, median;
  (b) a burst of calls sent at once: every call delivered to both outputs, in order, how many
      duplicates, how long it took, and the gateway's resident memory (now and at its peak);
  (c) the gateway's CPU use while idle afterwards, as a share of one core.

With --backlog N..., instead: for each N, a call log holding N calls that MQTT has not
acknowledged (written here, as after an outage of the broker), and the gateway started with the
broker up: how many calls a second it carries until the broker has acknowledged all of them,
and the gateway's peak resident memory.

Only prints figures; it does not fail on a slow machine. Usage:
  bench/gateway_load.py [--velko build/bin/velko] [--calls 10000] [--paced 300]
  bench/gateway_load.py [--velko build/bin/velko] --backlog 10000 100000
"""

import json
import os
import sqlite3
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from process_figures import ROOT, argument_parser, cpu_seconds, memory, percentile, use_velko


def parse_arguments():
    parser = argument_parser(__doc__)
    parser.add_argument("--calls", type=int, default=10000)
    parser.add_argument("--paced", type=int, default=300)
    parser.add_argument("--backlog", type=int, nargs="+")
    return parser.parse_args()


def call_numbers(subscriber):
    return [json.loads(payload)["number"] for _, payload, _, _ in subscriber.messages]


def write_backlog(calls, count):
    """A call log of count calls, each pending for MQTT: the gateway creates the file and its
    tables (docs/call-log.md) with no terminal to read, and the calls are written here."""
    from gateway_support import Gateway

    gateway = Gateway("--calls", str(calls), "--device", "1=/nonexistent")
    gateway.expect(event="connection", peer="terminal", state="disconnected")
    gateway.stop()
    with sqlite3.connect(calls) as db:
        db.executemany(
            'INSERT INTO calls (id, received, line, state, month, day, hour, minute, time, '
            'number, name, "group", type) VALUES (?, ?, "bench", 1, 3, 5, 9, 7, ?, ?, "", 0, '
            '"NORMAL")',
            ((index, "2026-03-05T00:07:00.000Z", "2026-03-05T09:07:00+09:00",
              f"02{index:08d}") for index in range(1, count + 1)))
        db.executemany("INSERT INTO deliveries (call, output) VALUES (?, 'mqtt')",
                       ((index,) for index in range(1, count + 1)))


def backlog(count):
    """Prints how fast the gateway carries count waiting calls to MQTT, and its peak memory.
    Its readable lines are read here without parsing, so that this script takes little of the
    machine: the last call's delivery ends the measure."""
    from gateway_support import Broker

    with tempfile.TemporaryDirectory() as folder:
        calls = Path(folder) / "calls.db"
        write_backlog(calls, count)
        broker = Broker(folder)
        gateway = subprocess.Popen(
            [os.environ["VELKO"], "gateway", "--calls", str(calls), "--device", "1=/nonexistent",
             "--line", "bench", "--mqtt", f"127.0.0.1:{broker.port}"],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        try:
            lines = iter(gateway.stdout)
            next(line for line in lines if line == b"mqtt connected\n")
            started = time.monotonic()
            last = f"delivered call {count} to mqtt\n".encode()
            next(line for line in lines if line == last)
            took = time.monotonic() - started
            _, peak = memory(gateway.pid)
            cpu = cpu_seconds(gateway.pid)
            gateway.terminate()
            gateway.wait(30)
            with sqlite3.connect(calls) as db:
                pending = db.execute(
                    "SELECT count(*) FROM deliveries WHERE delivered IS NULL").fetchone()[0]
            print(f"backlog of {count} calls: all acknowledged by MQTT in {took:.2f} s "
                  f"({count / took:.0f} calls/s; the gateway's CPU time {cpu:.2f} s), peak "
                  f"resident memory {peak:.1f} MB, {pending} left pending in the log")
        finally:
            gateway.kill()
            gateway.wait()
            broker.stop()


def main():
    options = parse_arguments()
    use_velko(options.velko)
    from gateway_support import Broker, Gateway, Lines, Sim, Subscriber, logged_calls

    sys.setswitchinterval(0.0005)
    if options.backlog:
        for count in options.backlog:
            backlog(count)
        return

    with tempfile.TemporaryDirectory() as folder:
        broker = Broker(folder)
        subscriber = Subscriber(broker.port, "velko/bench/call")
        # The fake NCID server in a process of its own: "port N", then "NUMBER MOMENT" lines.
        ncid = subprocess.Popen([sys.executable, str(ROOT / "tests/integration/ncid_server.py")],
                                stdout=subprocess.PIPE)
        taken = Lines(ncid.stdout, lambda line: line.split())
        taken.wait(lambda words: words[0] == "port")
        ncid_port = int(taken.items.pop(0)[1])
        sim = Sim()
        calls = Path(folder) / "calls.db"
        gateway = Gateway("--device", f"1={sim.path}", "--calls", str(calls), "--line", "bench",
                          "--mqtt", f"127.0.0.1:{broker.port}", "--ncid",
                          f"127.0.0.1:{ncid_port}")
        try:
            for peer in ("terminal", "mqtt", "ncid"):
                gateway.events.wait(lambda e, p=peer: e.get("peer") == p and
                                    e.get("state") == "connected")

            mqtt_latency, ncid_latency = [], []
            for index in range(options.paced):
                number = f"03{index:08d}"
                sent = time.time()
                sim.play(f"call {number}")
                got = subscriber.wait(lambda messages: len(messages) == index + 1, 30)
                taken.wait(lambda words, n=number: words[0] == n, 30, start=index)
                mqtt_latency.append((got[-1][3] - sent) * 1000)
                ncid_latency.append((float(taken.items[-1][1]) - sent) * 1000)
            print(f"(a) {options.paced} calls one at a time, report to MQTT subscriber: median "
                  f"{statistics.median(mqtt_latency):.2f} ms, 99th percentile "
                  f"{percentile(mqtt_latency, 0.99):.2f} ms; to NCID acknowledgement: median "
                  f"{statistics.median(ncid_latency):.2f} ms")

            numbers = [f"02{index:08d}" for index in range(options.calls)]
            started = time.monotonic()
            sim.play(*(f"call {number}" for number in numbers))
            # Cheap tests only, as they run at every message: the last call's arrival.
            subscriber.wait(lambda messages: f'"{numbers[-1]}"' in messages[-1][1], 900)
            taken.wait(lambda words: words[0] == numbers[-1], 900, start=options.paced)
            took = time.monotonic() - started
            rss, peak = memory(gateway.proc.pid)
            by_mqtt = call_numbers(subscriber)[options.paced:]
            by_ncid = [words[0] for words in taken.items][options.paced:]
            in_order = (list(dict.fromkeys(by_mqtt)) == numbers and
                        list(dict.fromkeys(by_ncid)) == numbers)
            print(f"(b) {options.calls} calls in a burst: all delivered to MQTT and NCID in "
                  f"{took:.1f} s ({options.calls / took:.0f} calls/s), in order: {in_order}, "
                  f"duplicates {len(by_mqtt) - len(numbers)} (MQTT) {len(by_ncid) - len(numbers)}"
                  f" (NCID); resident memory {rss:.1f} MB, peak {peak:.1f} MB")

            before = cpu_seconds(gateway.proc.pid)
            idle = 10
            time.sleep(idle)  # measuring idle time: nothing to wait for
            used = cpu_seconds(gateway.proc.pid) - before
            print(f"(c) idle for {idle} s: {used / idle * 100:.2f} % of one core")
            gateway.stop()
            logged = logged_calls(calls)
            pending = sum(1 for call in logged if None in call["deliveries"].values())
            print(f"    call log: {len(logged)} calls, {pending} with a delivery pending")
        finally:
            gateway.kill()
            sim.kill()
            ncid.kill()
            subscriber.close()
            broker.stop()


if __name__ == "__main__":
    main()
