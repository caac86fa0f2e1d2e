#!/usr/bin/env python3
"""Figures for SendCmd through a gateway's share against SendCmd on a local port.

Drives `velko shell --json` twice: with port 3 on a pseudo-terminal whose master plays the
terminal (it answers each "[" with "ACK"), and with port 3 mapped to the stand-in gateway of the
integration tests (tests/integration/share_server.py) over HTTPS with a pinned self-signed
certificate, which answers each "[" write with "ACK" on the desk's stream. For each it measures,
over many SendCmd 100 calls, the time from the moment the ACK was written (on the master, or on
the stream's connection) to the moment the shell's line with SendCmd's result was read, and prints
the median and the 99th percentile, and how much more the share takes. The share's time includes
the gateway's write of the event, TLS, the desk's stream thread and its hand-over to the
control's thread. Only prints figures. Usage:
  bench/share_ack_bench.py [--velko build/bin/velko] [--runs 300]
With --velko tests/win/wine-velko (VELKO_WIN_BUILD naming the Windows build) it measures the
Windows module under Wine, whose share tests/win/wine-velko maps with velko.exe desk.
"""

import argparse
import json
import os
import select
import statistics
import subprocess
import sys
import tempfile
import time
import tty
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "integration"))
from share_server import PASSWORD, ShareServer, make_certificate  # noqa: E402

LIMIT = 60.0  # seconds any one step may take (Wine's start included)


class Shell:
    def __init__(self, velko, arguments):
        self.process = subprocess.Popen([velko, "shell", "--json", *arguments],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL)
        self.fd = self.process.stdout.fileno()
        os.set_blocking(self.fd, False)
        self.pending = b""

    def send(self, line):
        self.process.stdin.write(line.encode() + b"\n")
        self.process.stdin.flush()

    def call_result(self, name):
        """The next result of that call, and the moment its line was read."""
        give_up = time.monotonic() + LIMIT
        while True:
            while b"\n" in self.pending:
                line, self.pending = self.pending.split(b"\n", 1)
                reply = json.loads(line)
                if reply.get("call") == name:
                    return reply.get("result"), time.perf_counter()
            left = give_up - time.monotonic()
            if left <= 0 or not select.select([self.fd], [], [], left)[0]:
                raise TimeoutError(f"no result of {name}")
            chunk = os.read(self.fd, 65536)
            if not chunk:
                raise RuntimeError("the shell ended")
            self.pending += chunk

    def close(self):
        self.send(":quit")
        self.process.stdin.close()
        self.process.wait(LIMIT)


def local_port(velko, runs):
    master, slave = os.openpty()
    tty.setraw(master)
    tty.setraw(slave)
    shell = Shell(velko, ["--device", f"3={os.ttyname(slave)}"])
    shell.send('OpenVelko COM3 ""')
    assert shell.call_result("OpenVelko")[0] == 0
    delays = []
    for _ in range(runs):
        shell.send("SendCmd 100")
        received = b""
        while b"[" not in received:
            select.select([master], [], [], LIMIT)
            received += os.read(master, 4096)
        os.write(master, b"ACK\r\n")
        acknowledged = time.perf_counter()
        result, returned = shell.call_result("SendCmd")
        assert result is True
        delays.append((returned - acknowledged) * 1000)
        # The frame of the command, before the next one.
        while not received.endswith(b"]"):
            select.select([master], [], [], LIMIT)
            received += os.read(master, 4096)
    shell.close()
    os.close(master)
    os.close(slave)
    return delays


def share(velko, runs, folder):
    cert, key, fingerprint = make_certificate(folder)
    password = folder / "desk-password"
    password.write_text(PASSWORD + "\n")
    server = ShareServer((cert, key))
    shell = Shell(velko, ["--device", f"3={server.url}", "--share-password-file", str(password),
                          "--share-fingerprint", fingerprint])
    shell.send('OpenVelko COM3 ""')
    assert shell.call_result("OpenVelko")[0] == 0
    delays = []
    for _ in range(runs):
        before = len(server.sent)
        shell.send("SendCmd 100")
        result, returned = shell.call_result("SendCmd")
        assert result is True
        assert server.wait_for(lambda: len(server.sent) > before, LIMIT)
        acknowledged = server.sent[before][2]
        delays.append((returned - acknowledged) * 1000)
    shell.close()
    server.stop()
    return delays


def spread(values):
    values = sorted(values)
    return (f"median {statistics.median(values):.3f} ms, "
            f"99th percentile {values[round(0.99 * (len(values) - 1))]:.3f} ms")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--velko", default=str(ROOT / "build" / "bin" / "velko"))
    parser.add_argument("--runs", type=int, default=300)
    options = parser.parse_args()
    with tempfile.TemporaryDirectory() as folder:
        local = local_port(options.velko, options.runs)
        shared = share(options.velko, options.runs, Path(folder))
    print(f"ACK to SendCmd's return, {options.runs} commands each, {options.velko}:")
    print(f"  local port (pseudo-terminal):  {spread(local)}")
    print(f"  share (HTTPS, pinned):         {spread(shared)}")
    print(f"  the share's median takes {statistics.median(shared) - statistics.median(local):.3f} "
          "ms more")


if __name__ == "__main__":
    main()
