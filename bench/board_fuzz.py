#!/usr/bin/env python3
"""Random requests against the board (velko gateway --http), many more than its property test
sends (tests/integration/test_board_fuzz.py, which shares the requests and the checks).

Writes a call log of --log-calls calls, starts the gateway on it without a terminal and sends
--requests random requests from --workers processes, each on a connection of its own: the first
45 % while the log can be read, the next 10 % with the log's file moved away (the answers that
read the log are then 503), the rest with it back. Prints the count, the rate, the answers by
status, the gateway's memory, and every answer that is not as it must be (with its seed, which
VELKO_FUZZ_SEED gives the property test, and its index). Fails only when an answer is wrong or
the gateway stopped answering. Usage:
  bench/board_fuzz.py [--velko build/bin/velko] [--requests 100000] [--workers 4] [--seed N]
"""

import collections
import contextlib
import multiprocessing
import shutil
import sys
import tempfile
import time
from pathlib import Path

from process_figures import argument_parser, memory, use_velko


def parse_arguments():
    parser = argument_parser(__doc__)
    parser.add_argument("--requests", type=int, default=100_000)
    parser.add_argument("--workers", type=int, default=4)
    parser.add_argument("--log-calls", type=int, default=1000)
    parser.add_argument("--seed", type=int, default=time.time_ns() % 2**31)
    return parser.parse_args()


def run_part(job):
    """One worker's share of a part: its requests from its own seed."""
    from board_fuzz_support import Tally, fuzz

    port, seed, count, log_readable, pages, tags, private = job
    tally = Tally()
    fuzz(port, seed, count, log_readable=log_readable, pages=pages, tags=tags, private=private,
         tally=tally)
    return tally


def main():
    arguments = parse_arguments()
    use_velko(arguments.velko)
    from board_fuzz_support import Tally, page_files
    from board_support import get, log_away, write_calls
    from gateway_support import Gateway, free_port

    folder = Path(tempfile.mkdtemp(prefix="velko-fuzz-"))
    calls = folder / "calls.db"
    write_calls(calls, arguments.log_calls)
    port = free_port()
    gateway = Gateway("--device", "1=/nonexistent", "--calls", str(calls), "--http", str(port))
    gateway.expect(event="listening")
    pages, tags = page_files(port)
    private = [str(folder).encode()]
    total = Tally()
    shares = [(0.45, True), (0.10, False), (0.45, True)]
    started = time.monotonic()
    with multiprocessing.Pool(arguments.workers) as pool:
        for part, (share, readable) in enumerate(shares):
            count = int(arguments.requests * share)
            jobs = [(port, arguments.seed + part * 1000 + worker,
                     count // arguments.workers + (worker < count % arguments.workers),
                     readable, pages, tags, private) for worker in range(arguments.workers)]
            with log_away(calls) if not readable else contextlib.nullcontext():
                for tally in pool.map(run_part, jobs):
                    total.requests += tally.requests
                    total.statuses.update(tally.statuses)
                    total.problems += tally.problems
    seconds = time.monotonic() - started

    print(f"requests: {total.requests} in {seconds:.1f} s, {total.requests / seconds:.0f} per "
          f"second ({arguments.workers} workers, seed {arguments.seed})")
    print("statuses: " + ", ".join(f"{status}: {count}"
                                   for status, count in sorted(total.statuses.items())))
    alive = gateway.proc.poll() is None
    if alive:
        resident, peak = memory(gateway.proc.pid)
        alive = get(f"http://127.0.0.1:{port}/api/state")[0] == 200
        print(f"gateway: {'answers' if alive else 'DOES NOT ANSWER'}, resident {resident:.1f} MB,"
              f" peak {peak:.1f} MB")
    else:
        print(f"gateway: ENDED with status {gateway.proc.returncode}: "
              f"{' '.join(gateway.errors.items[-2:])}")
    kinds = collections.Counter(problem for _, _, _, problem in total.problems)
    print(f"wrong answers: {len(total.problems)}" +
          "".join(f"\n  {count} x {kind}" for kind, count in kinds.most_common()))
    for seed, index, request, problem in total.problems[:10]:
        print(f"  seed {seed} request {index}: {problem}: {request!r}")
    if gateway.proc.poll() is None:
        gateway.stop()
    shutil.rmtree(folder)
    return 0 if alive and not total.problems else 1


if __name__ == "__main__":
    sys.exit(main())
