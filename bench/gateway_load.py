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

Only prints figures; it does not fail on a slow machine. Usage:
  bench/gateway_load.py [--velko build/bin/velko] [--calls 10000] [--paced 300]
"""

import argparse
import json
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from process_figures import cpu_seconds, memory, percentile, use_velko

ROOT = Path(__file__).resolve().parents[1]


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--velko", default=str(ROOT / "build" / "bin" / "velko"))
    parser.add_argument("--calls", type=int, default=10000)
    parser.add_argument("--paced", type=int, default=300)
    return parser.parse_args()


def call_numbers(subscriber):
    return [json.loads(payload)["number"] for _, payload, _, _ in subscriber.messages]


def main():
    options = parse_arguments()
    use_velko(options.velko)
    from gateway_support import Broker, Gateway, Lines, Sim, Subscriber, logged_calls

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
