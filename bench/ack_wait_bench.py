#!/usr/bin/env python3
"""Figures for the acknowledgement wait of SendCmd, measured over a pseudo-terminal.

Drives `velko shell --json` with the port COM3 mapped to the slave side of a pseudo-terminal and
plays the terminal on the master side. Prints:

  (a) the CPU time the shell process uses during one unanswered wait of about 5.5 seconds, as a
      share of one core (goal: under 1 %);
  (b) the delay from "ACK" written on the master to the command body arriving there, median and
      spread over many commands (goal: under 1 ms).

Only prints figures; it does not fail on a slow machine. Usage:
  bench/ack_wait_bench.py [--velko build/bin/velko] [--runs 50]
"""

import argparse
import json
import os
import select
import statistics
import subprocess
import sys
import time
import tty

CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
REPLY_LIMIT = 15.0  # seconds a reply may take before the run is abandoned


class Terminal:
    """The master side of the pseudo-terminal: what the control writes, and what it is sent."""

    def __init__(self):
        self.master, self.slave = os.openpty()
        tty.setraw(self.master)
        tty.setraw(self.slave)
        self.device = os.ttyname(self.slave)

    def read_until(self, marker):
        """Bytes up to and including marker; the moment the marker arrived."""
        data = b""
        give_up = time.monotonic() + REPLY_LIMIT
        while marker not in data:
            left = give_up - time.monotonic()
            if left <= 0 or not select.select([self.master], [], [], left)[0]:
                raise TimeoutError(f"no {marker!r} from the control, got {data!r}")
            data += os.read(self.master, 4096)
        return data, time.perf_counter()

    def send(self, data):
        os.write(self.master, data)

    def close(self):
        os.close(self.master)
        os.close(self.slave)


class Shell:
    """The `velko shell --json` process: one call per line in, one JSON object per line out."""

    def __init__(self, velko, device):
        self.process = subprocess.Popen(
            [velko, "shell", "--json", "--device", f"3={device}"],
            stdin=subprocess.PIPE,
            stdout=subprocess.PIPE,
            text=True,
            bufsize=1,
        )

    def call(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()

    def result(self, name):
        """The result of the next completed call of that name; events in between are skipped."""
        give_up = time.monotonic() + REPLY_LIMIT
        while time.monotonic() < give_up:
            line = self.process.stdout.readline()
            if not line:
                raise RuntimeError("the shell ended")
            reply = json.loads(line)
            if reply.get("call") == name:
                if "error" in reply:
                    raise RuntimeError(f"{name} failed: {reply['error']}")
                return reply["result"]
        raise TimeoutError(f"no result for {name}")

    def cpu_seconds(self):
        with open(f"/proc/{self.process.pid}/stat") as stat:
            # The command name may hold blanks; the fields after it are fixed.
            fields = stat.read().rsplit(")", 1)[1].split()
        utime, stime = int(fields[11]), int(fields[12])
        return (utime + stime) / CLOCK_TICKS

    def close(self):
        self.call(":quit")
        self.process.stdin.close()
        try:
            self.process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


def unanswered_wait_cpu(shell, terminal):
    shell.call("SendCmd 100")
    terminal.read_until(b"[")
    cpu_before, wall_before = shell.cpu_seconds(), time.perf_counter()
    result = shell.result("SendCmd")
    cpu_after, wall_after = shell.cpu_seconds(), time.perf_counter()
    wall = wall_after - wall_before
    cpu = cpu_after - cpu_before
    print(f"(a) unanswered wait: result {result}, {wall:.2f} s wall, {cpu * 1000:.0f} ms CPU, "
          f"{100 * cpu / wall:.2f} % of one core (goal under 1 %; "
          f"resolution {1000 / CLOCK_TICKS:.0f} ms)")


def acknowledgement_delays(shell, terminal, runs):
    delays = []
    for _ in range(runs):
        shell.call("SendCmd 68 12-25 09:30")
        terminal.read_until(b"[")
        sent = time.perf_counter()
        terminal.send(b"ACK\r\n")
        _, arrived = terminal.read_until(b"]")
        delays.append((arrived - sent) * 1000)
        if shell.result("SendCmd") is not True:
            raise RuntimeError("an acknowledged SendCmd did not succeed")
    delays.sort()
    print(f"(b) ACK to body over {runs} commands: median {statistics.median(delays):.3f} ms, "
          f"min {delays[0]:.3f} ms, 90th percentile {delays[int(0.9 * (runs - 1))]:.3f} ms, "
          f"max {delays[-1]:.3f} ms (goal: median under 1 ms)")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--velko", default=os.path.join(here, "..", "build", "bin", "velko"))
    parser.add_argument("--runs", type=int, default=50)
    options = parser.parse_args()

    terminal = Terminal()
    shell = Shell(options.velko, terminal.device)
    try:
        shell.call('OpenVelko COM3 ""')
        opened = shell.result("OpenVelko")
        if opened != 0:
            print(f"OpenVelko on {terminal.device} gave {opened}; no figures", file=sys.stderr)
            return
        unanswered_wait_cpu(shell, terminal)
        acknowledgement_delays(shell, terminal, options.runs)
    finally:
        shell.close()
        terminal.close()


if __name__ == "__main__":
    main()
