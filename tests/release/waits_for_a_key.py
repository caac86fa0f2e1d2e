#!/usr/bin/env python3
"""waits_for_a_key.py PROGRAM ARG...: runs the program (a script under Wine's cmd.exe) and checks
that it waits for a key: it prints the prompt of cmd.exe's pause and is still running; then it
is given a key and must end. Exits with the program's status, or 1 with the reason when it did
not wait. Waits on the output with a deadline, never a sleep."""
import os
import select
import subprocess
import sys
import time

PROMPT = b"Press any key"


def main():
    program = subprocess.Popen(sys.argv[1:], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT)
    seen = b""
    deadline = time.monotonic() + 120
    while PROMPT not in seen and time.monotonic() < deadline:
        if select.select([program.stdout], [], [], deadline - time.monotonic())[0]:
            chunk = os.read(program.stdout.fileno(), 4096)
            if not chunk:
                break
            seen += chunk
    if PROMPT not in seen or program.poll() is not None:
        program.kill()
        program.wait()
        sys.exit(f"no wait for a key: {seen.decode(errors='replace')}")
    program.stdin.write(b"x\r\n")
    program.stdin.close()
    sys.exit(program.wait(120))


if __name__ == "__main__":
    main()
