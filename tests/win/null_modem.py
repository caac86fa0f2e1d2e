#!/usr/bin/env python3
"""Two pseudo-terminals joined like a null-modem cable.

null_modem.py LINK_A LINK_B: makes a symbolic link at LINK_A to the first terminal and at LINK_B
to the second, prints "ready", and then copies every byte written to one terminal to the other
until it is terminated or its standard input closes.
"""
import os
import select
import sys
import tty


def main():
    ends = []
    for link in sys.argv[1:3]:
        master, slave = os.openpty()
        tty.setraw(slave)
        if os.path.lexists(link):
            os.unlink(link)
        os.symlink(os.ttyname(slave), link)
        ends.append((master, slave))
    (first, _), (second, _) = ends
    other = {first: second, second: first}
    print("ready", flush=True)
    stdin = sys.stdin.fileno()
    while True:
        readable, _, _ = select.select([first, second, stdin], [], [])
        for fd in readable:
            if fd == stdin:
                if not os.read(stdin, 4096):
                    return
                continue
            data = os.read(fd, 4096)
            view = memoryview(data)
            while view:
                view = view[os.write(other[fd], view):]


if __name__ == "__main__":
    main()
