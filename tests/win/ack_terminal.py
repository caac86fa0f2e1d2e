#!/usr/bin/env python3
"""The terminal's half of the command exchange, for a test that cannot play the terminal itself.

ack_terminal.py DEVICE [SECONDS]: opens the serial device (a pseudo-terminal), drops whatever
waits on it, prints "ready", and then answers every opening bracket "[" that it reads with "ACK"
CR LF, until it is terminated or SECONDS (default 120) have passed.
"""
import os
import select
import sys
import termios
import time


def main():
    device = os.open(sys.argv[1], os.O_RDWR | os.O_NOCTTY)
    deadline = time.monotonic() + (float(sys.argv[2]) if len(sys.argv) > 2 else 120.0)
    termios.tcflush(device, termios.TCIFLUSH)
    print("ready", flush=True)
    while True:
        left = deadline - time.monotonic()
        if left <= 0:
            return
        readable, _, _ = select.select([device], [], [], left)
        if readable:
            for _ in range(os.read(device, 4096).count(b"[")):
                os.write(device, b"ACK\r\n")


if __name__ == "__main__":
    main()
