#!/usr/bin/env python3
"""The receive path under load, over a pseudo-terminal, through `velko shell --json`.

Plays a terminal that sends N caller reports (about 85 bytes each, every seventh preceded by a
line of noise) as fast as the line takes them, in writes of odd sizes, to the port COM1 of a
shell. Each report carries its sequence number as the caller's number. Reads the shell's JSON
output and prints:

  - reports decoded, lost, duplicated and out of order;
  - reports a second, from the first write to the last report decoded;
  - the shell's resident memory when the port is open, and its peak during the run.

Runs against any build of the tool: VELKO=tests/win/wine-velko with VELKO_WIN_BUILD=build-win32
drives the Windows module under Wine through velko.exe (its memory is then velko.exe's).
Only prints figures; it does not fail on a slow machine. Usage:
  bench/receive_load.py [--velko PATH] [--reports 100000] [--writes 997,97,1511]
"""

import argparse
import json
import os
import re
import subprocess
import sys
import threading
import time
import tty
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
OPEN_LIMIT = 120.0  # seconds the shell may take to start and open the port (Wine's start)
IDLE_LIMIT = 20.0  # seconds without a decoded report, once everything is written, that end the run
NUMBER_BASE = 200000000  # "02" and eight digits: report i carries the number NUMBER_BASE + i


def report(index):
    month, day, hour, minute = 1 + index % 12, 1 + index % 28, index % 24, index % 60
    return (
        f"Report\r\nD\r\nTime:{month:02}{day:02}{hour:02}{minute:02}\r\n"
        f"Number:0{NUMBER_BASE + index}\r\nName:load{index % 1000}\r\nGroup:{index % 7}\r\n"
        f"Type:S\r\nEnd\r\n"
    ).encode()


def line_stream(count):
    """The bytes the terminal sends: the reports, a noise line in front of every seventh."""
    parts = []
    for index in range(count):
        if index % 7 == 6:
            parts.append(f"noise {index} ACK\r\n".encode())
        parts.append(report(index))
    return b"".join(parts)


class ProcessMemory:
    """Resident memory of the shell: the process named by the tool, or under Wine velko.exe."""

    def __init__(self, pid):
        self.root = pid

    def program(self):
        for pid in [self.root, *self._descendants(self.root)]:
            try:
                command = Path(f"/proc/{pid}/cmdline").read_bytes()
            except OSError:
                continue
            if b"velko.exe" in command:
                return pid
        return self.root

    def _descendants(self, pid):
        found = []
        try:
            children = Path(f"/proc/{pid}/task/{pid}/children").read_text().split()
        except OSError:
            return found
        for child in map(int, children):
            found += [child, *self._descendants(child)]
        return found

    def kib(self, field):
        """VmRSS (now) or VmHWM (peak so far) in KiB, 0 when unknown."""
        try:
            status = Path(f"/proc/{self.program()}/status").read_text()
        except OSError:
            return 0
        for line in status.splitlines():
            if line.startswith(field + ":"):
                return int(line.split()[1])
        return 0


class Sampler(threading.Thread):
    """Samples the resident memory while the run lasts: the peak is read from VmHWM too, but a
    sample catches a peak of velko.exe even when Wine reached its own high mark at start."""

    def __init__(self, memory):
        super().__init__(daemon=True)
        self.memory = memory
        self.peak = 0
        self.done = threading.Event()

    def run(self):
        while not self.done.wait(0.01):
            self.peak = max(self.peak, self.memory.kib("VmRSS"))


def write_all(fd, data, sizes):
    """Writes data in pieces of the given sizes in turn, each write blocking while the line is
    full."""
    at, turn = 0, 0
    while at < len(data):
        piece = data[at : at + sizes[turn % len(sizes)]]
        while piece:
            written = os.write(fd, piece)
            piece = piece[written:]
            at += written
        turn += 1


CALL_NUMBER = re.compile(rb'"event":"ReceiveCallByString".*?"cidStrInfo":"(?:-?\d+ ){4}0(\d+)')


def read_output(stream, on_call_numbers, on_line):
    """Reads the shell's output in large blocks; the numbers of the calls reported go to
    on_call_numbers, every other line that is no event to on_line."""
    pending = b""
    while block := stream.read1(1 << 16):
        pending += block
        complete = pending.rfind(b"\n") + 1
        lines, pending = pending[:complete], pending[complete:]
        numbers = CALL_NUMBER.findall(lines)
        if numbers:
            on_call_numbers(numbers)
        if b'"call"' in lines:
            for line in lines.splitlines():
                if line.startswith(b'{"call"'):
                    on_line(line)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--velko", default=os.environ.get("VELKO") or str(ROOT / "build/bin/velko"))
    parser.add_argument("--reports", type=int, default=100000)
    parser.add_argument("--writes", default="997,97,1511", help="sizes of the writes, in turn")
    options = parser.parse_args()
    sizes = [int(size) for size in options.writes.split(",")]

    master, slave = os.openpty()
    tty.setraw(master)
    tty.setraw(slave)
    shell = subprocess.Popen(
        [options.velko, "shell", "--json", "--device", f"1={os.ttyname(slave)}"],
        stdin=subprocess.PIPE,
        stdout=subprocess.PIPE,
        bufsize=1 << 20,
    )

    opened = threading.Event()
    open_result = []
    seen = []
    last_seen = [time.monotonic()]

    def on_call_numbers(numbers):
        seen.extend(int(number) - NUMBER_BASE for number in numbers)
        last_seen[0] = time.monotonic()

    def on_line(line):
        call = json.loads(line)
        if call["call"] == "OpenVelko":
            open_result.append(call.get("result"))
            opened.set()

    reader = threading.Thread(
        target=read_output, args=(shell.stdout, on_call_numbers, on_line), daemon=True
    )
    reader.start()
    shell.stdin.write(b'OpenVelko COM1 ""\n')
    shell.stdin.flush()
    if not opened.wait(OPEN_LIMIT) or open_result != [0]:
        shell.kill()
        sys.exit(f"the shell did not open COM1: {open_result}")

    memory = ProcessMemory(shell.pid)
    start_kib = memory.kib("VmRSS")
    sampler = Sampler(memory)
    sampler.start()
    data = line_stream(options.reports)
    started = time.monotonic()
    write_all(master, data, sizes)
    written = time.monotonic()
    while len(seen) < options.reports and time.monotonic() - last_seen[0] < IDLE_LIMIT:
        reader.join(0.05)
        if not reader.is_alive():
            break
    finished = last_seen[0]
    peak_kib = max(sampler.peak, memory.kib("VmHWM") if memory.program() == shell.pid else 0)
    sampler.done.set()
    shell.stdin.close()
    try:
        shell.wait(30)
    except subprocess.TimeoutExpired:
        shell.kill()
    os.close(master)
    os.close(slave)

    unique = set(seen)
    duplicated = len(seen) - len(unique)
    out_of_order = sum(1 for a, b in zip(seen, seen[1:]) if b < a)
    lost = options.reports - len(unique & set(range(options.reports)))
    elapsed = max(finished - started, 1e-9)
    print(f"reports sent:        {options.reports} ({len(data)} bytes in writes of {options.writes})")
    print(f"reports decoded:     {len(seen)}")
    print(f"lost:                {lost}")
    print(f"duplicated:          {duplicated}")
    print(f"out of order:        {out_of_order}")
    print(f"writing took:        {written - started:.2f} s")
    print(f"reports a second:    {len(unique) / elapsed:.0f}")
    print(f"resident at open:    {start_kib / 1024:.1f} MiB")
    print(f"resident peak:       {peak_kib / 1024:.1f} MiB (+{(peak_kib - start_kib) / 1024:.1f} MiB)")


if __name__ == "__main__":
    main()
