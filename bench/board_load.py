#!/usr/bin/env python3
"""Figures for the board (velko gateway --http) under load, measured end to end.

Writes a call log of --log-calls calls (default 1,000,000, spread over two years up to now) in the
schema of docs/call-log.md, starts the gateway on it with the simulator on a pseudo-terminal, and
prints:

  (a) what the gateway's first opening of that log costs: the time to add its indexes, and the
      size they add to the file;
  (b) answers on that log: the first page of /api/calls, a search by a part of a number and of a
      name (three characters and more go through the index, shorter ones read the calls), and
      /api/stats, each the median of --tries requests, and the first request's time;
  (c) latency, calls one at a time: from the moment the scenario line goes to the simulator
      (which sends the report at once) to the call's event on /api/events, median and 99th
      percentile, and for comparison to the gateway's own line for the logged call;
  (d) --clients event streams while --burst calls arrive at once: whether each got every call in
      order, how long the last one took, and the gateway's resident memory (now and at its peak).

Only prints figures; it does not fail on a slow machine. Usage:
  bench/board_load.py [--velko build/bin/velko] [--log-calls 1000000] [--paced 200] [--burst 1000]
                      [--clients 50] [--tries 20]
"""

import datetime
import random
import sqlite3
import statistics
import tempfile
import time
import urllib.parse
from pathlib import Path

from process_figures import argument_parser, memory, percentile, use_velko


def parse_arguments():
    parser = argument_parser(__doc__)
    parser.add_argument("--log-calls", type=int, default=1_000_000)
    parser.add_argument("--paced", type=int, default=200)
    parser.add_argument("--burst", type=int, default=1000)
    parser.add_argument("--clients", type=int, default=50)
    parser.add_argument("--tries", type=int, default=20)
    return parser.parse_args()


def write_log(path, count):
    """count calls over the last two years: 20,000 numbers, a few of them frequent, most with a
    Korean name; each call delivered to MQTT."""
    from board_support import call_log_schema

    chance = random.Random(1)
    family, given = "김이박최정강조윤장임", ["민준", "서연", "도윤", "철수", "영희", "길동", "수빈"]
    numbers = [f"010{chance.randrange(10**8):08d}" for _ in range(20000)]
    names = {number: chance.choice(family) + chance.choice(given) if chance.random() < 0.7 else ""
             for number in numbers}
    types = ["NORMAL"] * 6 + ["BLACK", "PUBLIC", "NO_DISP", "VIP", ""]
    now = datetime.datetime.now(datetime.timezone.utc)
    step = datetime.timedelta(days=730) / count
    with sqlite3.connect(path) as db:
        db.execute("PRAGMA journal_mode=WAL")
        db.executescript(call_log_schema())
        rows = []
        for index in range(count):
            moment = now - step * (count - index)
            frequent = min(int(chance.paretovariate(1.2)) - 1, len(numbers) - 1)
            number = numbers[frequent] if chance.random() < 0.5 else chance.choice(numbers)
            rows.append((moment.strftime("%Y-%m-%dT%H:%M:%S.000Z"), "bench", 1, moment.month,
                         moment.day, moment.hour, moment.minute, number, names[number], 1,
                         chance.choice(types)))
        db.executemany("INSERT INTO calls (received, line, state, month, day, hour, minute, "
                       "number, name, \"group\", type) VALUES (?,?,?,?,?,?,?,?,?,?,?)", rows)
        db.executemany("INSERT INTO deliveries VALUES (?, 'mqtt', 'x')",
                       ((index + 1,) for index in range(count)))


def timed(get, url, tries):
    """The first request's time and the median of the others, in ms."""
    times = []
    for _ in range(tries + 1):
        started = time.perf_counter()
        status, _, _ = get(url)
        times.append((time.perf_counter() - started) * 1000)
        assert status == 200, url
    return times[0], statistics.median(times[1:])


def main():
    options = parse_arguments()
    use_velko(options.velko)
    from board_support import Events, get
    from gateway_support import Gateway, Sim, free_port
    with tempfile.TemporaryDirectory() as folder:
        calls = Path(folder) / "calls.db"
        started = time.monotonic()
        write_log(calls, options.log_calls)
        plain = calls.stat().st_size
        print(f"    wrote {options.log_calls} calls in {time.monotonic() - started:.0f} s: "
              f"{plain / 1e6:.1f} MB")

        sim = Sim()
        port = free_port()
        base = f"http://127.0.0.1:{port}"
        started = time.monotonic()
        gateway = Gateway("--device", f"1={sim.path}", "--calls", str(calls), "--line", "bench",
                          "--http", str(port))
        streams = []
        try:
            gateway.expect(120, event="listening")
            opened = time.monotonic() - started
            with sqlite3.connect(calls) as db:
                db.execute("PRAGMA wal_checkpoint(TRUNCATE)")
                pages = dict(db.execute("SELECT name, sum(pgsize) FROM dbstat GROUP BY name"))
            search = sum(size for name, size in pages.items() if name.startswith("call_search"))
            received = pages.get("calls_received", 0)
            print(f"(a) first opening: indexes added in {opened:.1f} s; the trigram index takes "
                  f"{search / 1e6:.1f} MB ({search / options.log_calls:.0f} bytes a call), the "
                  f"index of reception times {received / 1e6:.1f} MB; the file grew from "
                  f"{plain / 1e6:.1f} to {calls.stat().st_size / 1e6:.1f} MB")
            gateway.connected("terminal")

            for label, path in [("first page of /api/calls", "/api/calls"),
                                ("search, 4 digits of a number", "/api/calls?q=5678"),
                                ("search, 3 characters of a name", "/api/calls?q=김철수"),
                                ("search, 2 characters of a name", "/api/calls?q=철수"),
                                ("search, a number part found nowhere", "/api/calls?q=99999999"),
                                ("/api/stats (30 days)", "/api/stats")]:
                url = base + urllib.parse.quote(path, safe="/?=&")
                first, median = timed(get, url, options.tries)
                print(f"(b) {label}: median {median:.1f} ms (first {first:.1f} ms)")

            stream = Events(port)
            latency, logged = [], []
            for index in range(options.paced):
                number = f"03{index:08d}"
                sent = time.time()
                sim.play(f"call {number}")
                gateway.expect(30, event="call")
                logged.append((time.time() - sent) * 1000)
                stream.events.wait(lambda event, n=number: event["event"] == "call" and
                                   event["data"]["number"] == n, 30)
                latency.append((time.time() - sent) * 1000)
            stream.close()
            print(f"(c) {options.paced} calls one at a time, report to its event on /api/events:"
                  f" median {statistics.median(latency):.2f} ms, 99th percentile "
                  f"{percentile(latency, 0.99):.2f} ms (to the gateway's own line for the "
                  f"logged call: median {statistics.median(logged):.2f} ms, 99th percentile "
                  f"{percentile(logged, 0.99):.2f} ms)")

            streams = [Events(port) for _ in range(options.clients)]
            for each in streams:
                each.events.wait(lambda event: event["event"] == "state", 30)
            numbers = [f"02{index:08d}" for index in range(options.burst)]
            started = time.monotonic()
            sim.play(*(f"call {number}" for number in numbers))
            for each in streams:
                each.events.wait(lambda event: event["event"] == "call" and
                                 event["data"]["number"] == numbers[-1], 300)
            took = time.monotonic() - started
            rss, peak = memory(gateway.proc.pid)
            complete = sum(1 for each in streams if [
                event["data"]["number"] for event in each.events.items
                if event["event"] == "call"] == numbers)
            print(f"(d) {options.clients} event streams, {options.burst} calls in a burst: "
                  f"{complete} of {options.clients} got every call in order, the last after "
                  f"{took:.1f} s; gateway resident memory {rss:.1f} MB, peak {peak:.1f} MB")
        finally:
            for each in streams:
                each.close()
            gateway.kill()
            sim.kill()


if __name__ == "__main__":
    main()
