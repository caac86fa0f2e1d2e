#!/usr/bin/env python3
"""Figures for a stop request while SendCmd waits for the terminal, over a pseudo-terminal.

Starts `velko shell --json` with COM3 on the slave side of a pseudo-terminal, has it send a command
that the master side never acknowledges, and sends SIGINT once the opening "[" has arrived.
Prints the time from the signal to the end of the process, median and largest (goal: under
100 ms; the wait itself would last about 5.5 s). Only prints figures. Usage:
  bench/stop_bench.py [--velko build/bin/velko] [--runs 20]
"""

import argparse
import os
import select
import signal
import statistics
import subprocess
import time
import tty


def one_stop(velko):
    master, slave = os.openpty()
    tty.setraw(master)
    tty.setraw(slave)
    shell = subprocess.Popen([velko, "shell", "--json", "--device", f"3={os.ttyname(slave)}"],
                             stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    try:
        shell.stdin.write(b'OpenVelko COM3 ""\nSendCmd 100\n')
        shell.stdin.flush()
        received = b""
        while b"[" not in received:
            if not select.select([master], [], [], 15)[0]:
                raise SystemExit("the shell sent no command")
            received += os.read(master, 4096)
        signalled = time.monotonic()
        shell.send_signal(signal.SIGINT)
        shell.wait(15)
        return (time.monotonic() - signalled) * 1000
    finally:
        if shell.poll() is None:
            shell.kill()
        os.close(master)
        os.close(slave)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--velko", default="build/bin/velko")
    parser.add_argument("--runs", type=int, default=20)
    options = parser.parse_args()
    figures = [one_stop(options.velko) for _ in range(options.runs)]
    print(f"SIGINT during SendCmd's wait to the end of velko shell, {options.runs} runs: "
          f"median {statistics.median(figures):.1f} ms, largest {max(figures):.1f} ms")


if __name__ == "__main__":
    main()
