#!/usr/bin/env python3
"""Figures for the board's bounds (velko gateway --http) against hostile clients, end to end.

Starts the gateway with its board and prints:

  (a) its threads: just started, after a few requests, once the workers made for them have
      ended, and with --streams event streams open (measured last);
  (b) 200 slow clients (a header byte a second) from four addresses, then from the browser's own:
      the time a normal GET takes while they hold on (median and most of --tries), the gateway's
      threads meanwhile, and how long after its first byte the board closed the last of them;
  (c) each flood of tests/integration/board_attacks.py (an endless header line, 100,000 header
      lines, a POST announcing 10 GB, a request line of 1 MB), over HTTP and over HTTPS with a
      password: the answer, and the gateway's resident memory before and its peak after.

Only prints figures; it does not fail on a slow machine. Usage:
  bench/board_limits.py [--velko build/bin/velko] [--tries 10] [--streams 50]
"""

import os
import statistics
import tempfile
import time
from pathlib import Path

from process_figures import argument_parser, memory, use_velko


def threads(pid):
    return len(os.listdir(f"/proc/{pid}/task"))


def until(condition, seconds):
    """Waits for the condition, looking every 0.1 s, at most the time given; whether it held."""
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.1)
    return True


def thread_figures(board):
    started = threads(board.pid)
    for _ in range(20):
        board.get("/api/state")
    busy = threads(board.pid)
    until(lambda: threads(board.pid) == started, 30)
    print(f"(a) threads: {started} just started, {busy} after 20 requests, "
          f"{threads(board.pid)} once its workers ended")


def stream_figures(board, count):
    from board_support import Events
    streams = [Events(board.port) for _ in range(count)]
    for each in streams:
        each.events.wait(lambda event: event["event"] == "state", 30)
    print(f"(a) threads with {count} event streams open: {threads(board.pid)}")
    for each in streams:
        each.close()


def slow_figures(board, sources, tries):
    from board_attacks import SlowClients
    slow = SlowClients(board.port, 200, sources)
    try:
        times, during = [], []
        for _ in range(tries):
            slow.watch(0.2)
            slow.tick()
            started = time.perf_counter()
            board.get("/api/state")
            times.append((time.perf_counter() - started) * 1000)
            during.append(threads(board.pid))
        slow.run_until_closed(15)
        last = max(slow.closed[sock] - slow.first_byte[sock] for sock in slow.closed)
        print(f"(b) 200 slow clients from {len(sources)} address(es): a GET took median "
              f"{statistics.median(times):.1f} ms, at most {max(times):.1f} ms ({tries} tries); "
              f"{max(during)} threads at most; the last slow one closed {last:.1f} s after its "
              f"first byte, {len(slow.open)} still open")
    finally:
        slow.close()


def flood_figures(board, label):
    from board_attacks import flood, floods
    for name, (first, filler, most, _) in floods(board.password).items():
        board.get("/api/state")
        before, _ = memory(board.pid)
        started = time.monotonic()
        with board.connect() as sock:
            status = flood(sock, first, filler, most)
        _, peak = memory(board.pid)
        print(f"(c) {label}, {name}: answered {status} in {time.monotonic() - started:.2f} s; "
              f"resident {before:.1f} MB before, peak {peak:.1f} MB after")


def main():
    parser = argument_parser(__doc__)
    parser.add_argument("--tries", type=int, default=10)
    parser.add_argument("--streams", type=int, default=50)
    options = parser.parse_args()
    use_velko(options.velko)
    from board_support import Board
    from gateway_support import Gateway
    for https in (False, True):
        with tempfile.TemporaryDirectory() as folder:
            board = Board(Path(folder), Gateway, https=https)
            try:
                if not https:
                    thread_figures(board)
                    for sources in (["127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5"],
                                    ["127.0.0.1"]):
                        slow_figures(board, sources, options.tries)
                    stream_figures(board, options.streams)
                flood_figures(board, "HTTPS with a password" if https else "HTTP")
            finally:
                board.gateway.kill()


if __name__ == "__main__":
    main()
