#!/usr/bin/env python3
"""The terminal's half of the command exchange, for a test that cannot play the terminal itself.

ack_terminal.py DEVICE [SECONDS] [--stored N]: opens the serial device (a pseudo-terminal), drops
whatever waits on it, prints "ready", and then answers every opening bracket "[" that it reads
with "ACK" CR LF, until it is terminated or SECONDS (default 120) have passed.

With --stored N it answers the command "a" (the stored calls) with a list of N calls and then
reports a call: stored call n (1 to N) is from 0200000nnn (n in three digits), named 이름n, in
group n mod 7, of type V (VIP), on December n at 08:n; the reported call (D) is from 0212345678,
named 홍길동, in group 2, of type S (NORMAL), on March 5 at 09:07. Texts go out in CP949.
"""
import argparse
import os
import select
import termios
import time

CRLF = "\r\n"


def message(header, *lines):
    return "".join(line + CRLF for line in [header, *lines, "End"]).encode("cp949")


def stored_calls(count):
    lines = ["a"]
    for n in range(1, count + 1):
        lines += [f"Time:12{n:02d}08{n:02d}", f"Number:0200000{n:03d}", f"Name:이름{n}",
                  f"Group:{n % 7}", "Type:V"]
    return (message("Response", *lines) +
            message("Report", "D", "Time:03050907", "Number:0212345678", "Name:홍길동",
                    "Group:2", "Type:S"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("device")
    parser.add_argument("seconds", nargs="?", type=float, default=120.0)
    parser.add_argument("--stored", type=int)
    options = parser.parse_args()
    device = os.open(options.device, os.O_RDWR | os.O_NOCTTY)
    deadline = time.monotonic() + options.seconds
    termios.tcflush(device, termios.TCIFLUSH)
    print("ready", flush=True)
    # What came after the last "[": a command's body through its closing "]".
    body = b""
    while True:
        left = deadline - time.monotonic()
        if left <= 0:
            return
        readable, _, _ = select.select([device], [], [], left)
        if not readable:
            continue
        for byte in os.read(device, 4096):
            if byte == ord("["):
                os.write(device, b"ACK\r\n")
                body = b""
            elif byte == ord("]"):
                if options.stored is not None and body.startswith(b"a"):
                    os.write(device, stored_calls(options.stored))
                body = b""
            else:
                body += bytes([byte])


if __name__ == "__main__":
    main()
