#!/usr/bin/env python3
"""Figures for the acknowledgement wait of SendCmd, measured over a pseudo-terminal.

Measures each build the same way: the Linux tool (a build folder holding bin/velko) directly,
and a Windows build (a folder holding bin/velko.exe) as velko.exe under Wine with the registered
velko_fox.ocx, through tests/win/wine-velko. Drives `velko shell --json` with the port COM3
mapped to the slave side of a pseudo-terminal and plays the terminal on the master side. Prints,
for each build:

  (a) the CPU time the program uses during one unanswered wait of about 5.5 seconds, as a share
      of one core (goal: under 1 %); under Wine every process of the run's prefix counts, the
      Wine server included;
  (b) the delay from "ACK" written on the master to the command body arriving there, median,
      percentiles and extremes over many commands (goal: median under 1 ms);
  (c) for a Windows build with bin/ack_path_bench.exe, where that delay goes on the Windows side:
      the program's performance counter, which under Wine counts CLOCK_MONOTONIC_RAW, is read
      when the reader thread has the bytes, when their notification runs on the waiting thread
      and when the wait has returned (see bench/win/ack_path_bench.cpp), and set against the
      terminal's own stamps on the same clock; then the same for bin/ack_floor_bench.exe, the
      same hand-overs with the fewest system calls, which shows the part that is Wine's.

Only prints figures; it does not fail on a slow machine. Usage:
  bench/ack_wait_bench.py [--build FOLDER]... [--runs 200]
Without --build: build, build-win32 and build-win64, those that have been built.
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

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
REPLY_LIMIT = 15.0  # seconds a reply may take before the run is abandoned
START_LIMIT = 60.0  # the same for the first reply, which includes Wine's start
PORT = 3


def raw_clock_ticks():
    """CLOCK_MONOTONIC_RAW in units of 100 ns, the performance counter's units under Wine."""
    return time.clock_gettime_ns(time.CLOCK_MONOTONIC_RAW) // 100


class Terminal:
    """The master side of the pseudo-terminal: what the control writes, and what it is sent."""

    def __init__(self):
        self.master, self.slave = os.openpty()
        tty.setraw(self.master)
        tty.setraw(self.slave)
        self.device = os.ttyname(self.slave)
        self.unread = b""

    def read_until(self, marker, limit=REPLY_LIMIT):
        """Bytes up to and including marker, and the moments it arrived (perf_counter, raw
        clock ticks); what came after it is kept for the next read."""
        data, self.unread = self.unread, b""
        give_up = time.monotonic() + limit
        while marker not in data:
            left = give_up - time.monotonic()
            if left <= 0 or not select.select([self.master], [], [], left)[0]:
                raise TimeoutError(f"no {marker!r} from the control, got {data!r}")
            data += os.read(self.master, 4096)
        arrived, arrived_raw = time.perf_counter(), raw_clock_ticks()
        end = data.index(marker) + len(marker)
        self.unread = data[end:]
        return data[:end], arrived, arrived_raw

    def send(self, data):
        os.write(self.master, data)

    def close(self):
        os.close(self.master)
        os.close(self.slave)


class Build:
    """How to start a build's programs: directly, or under Wine through tests/win's scripts."""

    def __init__(self, folder):
        self.folder = os.path.abspath(os.path.join(ROOT, folder))
        self.name = os.path.relpath(self.folder, ROOT)
        self.windows = os.path.exists(os.path.join(self.folder, "bin", "velko.exe"))
        self.environment = dict(os.environ, VELKO_WIN_BUILD=self.folder)

    def built(self):
        return self.windows or os.path.exists(os.path.join(self.folder, "bin", "velko"))

    def velko(self, arguments):
        if self.windows:
            return [os.path.join(ROOT, "tests", "win", "wine-velko")] + arguments
        return [os.path.join(self.folder, "bin", "velko")] + arguments

    def bin(self, program):
        return os.path.join(self.folder, "bin", program)


def processes():
    """Parent and CPU ticks of every process that can be read."""
    table = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as stat:
                # The command name may hold blanks; the fields after it are fixed.
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        table[int(entry)] = (int(fields[1]), int(fields[11]) + int(fields[12]))
    return table


def wine_prefix(pid):
    try:
        with open(f"/proc/{pid}/environ", "rb") as environ:
            for variable in environ.read().split(b"\0"):
                if variable.startswith(b"WINEPREFIX="):
                    return variable
    except OSError:
        pass
    return None


def family_cpu_seconds(root):
    """CPU seconds of root and its descendants, and of every process of their Wine prefix (the
    Wine server and Wine's own services run outside the tree)."""
    table = processes()
    family = {root}
    grown = True
    while grown:
        grown = False
        for pid, (parent, _) in table.items():
            if parent in family and pid not in family:
                family.add(pid)
                grown = True
    prefixes = {wine_prefix(pid) for pid in family} - {None}
    if prefixes:
        family |= {pid for pid in table if wine_prefix(pid) in prefixes}
    return sum(table[pid][1] for pid in family if pid in table) / CLOCK_TICKS


class Shell:
    """The `velko shell --json` process: one call per line in, one JSON object per line out."""

    def __init__(self, build, device):
        self.process = subprocess.Popen(
            build.velko(["shell", "--json", "--device", f"{PORT}={device}"]),
            stdin=subprocess.PIPE,
            stdout=subprocess.PIPE,
            text=True,
            bufsize=1,
            env=build.environment,
        )

    def call(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()

    def result(self, name, limit=REPLY_LIMIT):
        """The result of the next completed call of that name; events in between are skipped."""
        give_up = time.monotonic() + limit
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
        return family_cpu_seconds(self.process.pid)

    def close(self):
        self.call(":quit")
        self.process.stdin.close()
        try:
            self.process.wait(timeout=15)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


def spread(values):
    """Median, percentiles and extremes of a list of milliseconds, as one line."""
    values = sorted(values)

    def percentile(share):
        return values[round(share * (len(values) - 1))]

    return (f"median {statistics.median(values):.3f} ms, 10th percentile {percentile(0.1):.3f}, "
            f"90th {percentile(0.9):.3f}, 99th {percentile(0.99):.3f}, "
            f"min {values[0]:.3f}, max {values[-1]:.3f}")


def unanswered_wait_cpu(shell, terminal):
    shell.call("SendCmd 100")
    terminal.read_until(b"[")
    cpu_before, wall_before = shell.cpu_seconds(), time.perf_counter()
    result = shell.result("SendCmd")
    cpu_after, wall_after = shell.cpu_seconds(), time.perf_counter()
    wall = wall_after - wall_before
    cpu = cpu_after - cpu_before
    print(f"  (a) unanswered wait: result {result}, {wall:.2f} s wall, {cpu * 1000:.0f} ms CPU, "
          f"{100 * cpu / wall:.2f} % of one core (goal under 1 %; "
          f"resolution {1000 / CLOCK_TICKS:.0f} ms)")


def acknowledgement_delays(shell, terminal, runs):
    delays = []
    for _ in range(runs):
        shell.call("SendCmd 68 12-25 09:30")
        terminal.read_until(b"[")
        sent = time.perf_counter()
        terminal.send(b"ACK\r\n")
        _, arrived, _ = terminal.read_until(b"]")
        delays.append((arrived - sent) * 1000)
        if shell.result("SendCmd") is not True:
            raise RuntimeError("an acknowledged SendCmd did not succeed")
    print(f"  (b) ACK to body over {runs} commands: {spread(delays)} (goal: median under 1 ms)")


def through_the_tool(build, runs):
    terminal = Terminal()
    shell = Shell(build, terminal.device)
    try:
        shell.call(f'OpenVelko COM{PORT} ""')
        opened = shell.result("OpenVelko", START_LIMIT)
        if opened != 0:
            print(f"  OpenVelko on {terminal.device} gave {opened}; no figures")
            return
        unanswered_wait_cpu(shell, terminal)
        acknowledgement_delays(shell, terminal, runs)
    finally:
        shell.close()
        terminal.close()


STEPS = (
    "ACK written -> reader thread has the bytes",
    "-> notification runs on the waiting thread",
    "-> the wait has returned",
    "-> body arrived at the terminal",
)

STEP_PROGRAMS = (
    ("ack_path_bench.exe", "the Win32 serial component's path (bench/win/ack_path_bench.cpp)"),
    ("ack_floor_bench.exe", "the floor: the same hand-overs with the fewest system calls "
     "(bench/win/ack_floor_bench.cpp)"),
)


def step_rounds(build, program, runs):
    """The steps' durations in ms, one list per step, and how many rounds were left out because
    their stamps were out of order; None when the build lacks the program."""
    if not os.path.exists(build.bin(program)):
        return None
    terminal = Terminal()
    bench = subprocess.Popen(
        [os.path.join(ROOT, "tests", "win", "wine-program"), program,
         "--device", f"{PORT}={terminal.device}", str(runs)],
        stdin=subprocess.DEVNULL, env=build.environment)
    steps = [[] for _ in STEPS]
    disordered = 0
    try:
        limit = START_LIMIT
        for _ in range(runs):
            terminal.read_until(b"[", limit)
            limit = REPLY_LIMIT
            sent = raw_clock_ticks()
            terminal.send(b"ACK\r\n")
            body, _, arrived = terminal.read_until(b"]")
            stamps = [sent] + [int(stamp) for stamp in body[:-1].split()] + [arrived]
            if len(stamps) != len(STEPS) + 1:
                raise RuntimeError(f"{program} wrote {body!r}")
            if stamps != sorted(stamps):
                disordered += 1
                continue
            for step, (start, end) in enumerate(zip(stamps, stamps[1:])):
                steps[step].append((end - start) / 10000)
    finally:
        try:
            bench.wait(timeout=REPLY_LIMIT)
        except subprocess.TimeoutExpired:
            bench.kill()
            bench.wait()
        terminal.close()
    return steps, disordered


def windows_steps(build, runs):
    for program, title in STEP_PROGRAMS:
        measured = step_rounds(build, program, runs)
        if measured is None:
            continue
        steps, disordered = measured
        print(f"  (c) steps over {runs} rounds, {title}:")
        if not steps[0]:
            # A round's stamps are out of order when a late piece of the previous reply arrives
            # after the round began; all of them are when the counter is another clock.
            print("      the program's performance counter is not CLOCK_MONOTONIC_RAW here")
            continue
        for name, values in zip(STEPS, steps):
            print(f"      {name:47} {spread(values)}")
        totals = [sum(parts) for parts in zip(*steps)]
        print(f"      {'total':47} {spread(totals)}")
        if disordered:
            print(f"      ({disordered} rounds with stamps out of order left out)")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", action="append", help="a build folder (repeatable)")
    parser.add_argument("--runs", type=int, default=200)
    options = parser.parse_args()

    builds = [Build(folder) for folder in options.build or ("build", "build-win32", "build-win64")]
    if options.build is None:
        builds = [build for build in builds if build.built()]
    for build in builds:
        if not build.built():
            print(f"{build.name}: no velko or velko.exe in {build.bin('')}", file=sys.stderr)
            continue
        kind = "velko.exe and velko_fox.ocx under Wine" if build.windows else "Linux velko"
        print(f"{build.name} ({kind}):", flush=True)
        through_the_tool(build, options.runs)
        if build.windows:
            windows_steps(build, options.runs)


if __name__ == "__main__":
    main()
