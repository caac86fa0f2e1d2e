#!/usr/bin/env python3
"""Figures for a stop request while SendCmd waits for the terminal, over a pseudo-terminal.

Starts `velko shell --json` with COM3 on the slave side of a pseudo-terminal, has it send a command
that the master side never acknowledges, and sends SIGINT once the opening "[" has arrived.
Prints the time from the signal to the end of the process, median and largest (goal: under
100 ms; the wait itself would last about 5.5 s). With --gateway it does the same to `velko
gateway` (its reading of the terminal's memory at connection) with SIGTERM, sent at a random
moment of the wait (goal: under 1 s). Only prints figures. Usage:
  bench/stop_bench.py [--velko build/bin/velko] [--runs 20] [--gateway]
"""

import argparse
import os
import random
import select
import signal
import statistics
import subprocess
import tempfile
import time
import tty


def wait_for_opening(master, who):
    received = b""
    while b"[" not in received:
        if not select.select([master], [], [], 15)[0]:
            raise SystemExit(f"the {who} sent no command")
        received += os.read(master, 4096)


def one_stop(velko, gateway, folder):
    master, slave = os.openpty()
    tty.setraw(master)
    tty.setraw(slave)
    device = ("--device", f"{1 if gateway else 3}={os.ttyname(slave)}")
    if gateway:
        command = [velko, "gateway", *device, "--calls", os.path.join(folder, "calls.db")]
    else:
        command = [velko, "shell", "--json", *device]
    process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        if not gateway:
            process.stdin.write(b'OpenVelko COM3 ""\nSendCmd 100\n')
            process.stdin.flush()
        wait_for_opening(master, "gateway" if gateway else "shell")
        if gateway:
            time.sleep(random.uniform(0, 5))  # a moment of the 5.5 s wait
        signalled = time.monotonic()
        process.send_signal(signal.SIGTERM if gateway else signal.SIGINT)
        process.wait(15)
        return (time.monotonic() - signalled) * 1000
    finally:
        if process.poll() is None:
            process.kill()
        os.close(master)
        os.close(slave)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--velko", default="build/bin/velko")
    parser.add_argument("--runs", type=int, default=20)
    parser.add_argument("--gateway", action="store_true")
    options = parser.parse_args()
    with tempfile.TemporaryDirectory() as folder:
        figures = [one_stop(options.velko, options.gateway, folder) for _ in range(options.runs)]
    what = ("SIGTERM at a random moment of SendCmd's wait to the end of velko gateway"
            if options.gateway else "SIGINT during SendCmd's wait to the end of velko shell")
    print(f"{what}, {options.runs} runs: "
          f"median {statistics.median(figures):.1f} ms, largest {max(figures):.1f} ms")


if __name__ == "__main__":
    main()
