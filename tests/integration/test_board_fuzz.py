"""The board under random requests: every path with random parameters and headers, while the
log can be read and while it cannot. Every answer is one the API gives, none carries the log's
statements or its files, and the gateway answers and runs throughout. A failure names its seed;
VELKO_FUZZ_SEED=N runs those requests again."""

import os
import time

from board_fuzz_support import Tally, fuzz, page_files
from board_support import get, log_away, write_calls
from gateway_support import free_port

REQUESTS = 2000  # per part, five thousand in all: a few seconds


def test_random_requests_get_only_the_answers_of_the_api(tmp_path, gateways):
    calls = tmp_path / "calls.db"
    write_calls(calls, 600)
    port = free_port()
    gateway = gateways("--device", "1=/nonexistent", "--calls", str(calls), "--http", str(port))
    gateway.expect(event="listening")
    pages, tags = page_files(port)
    seed = int(os.environ.get("VELKO_FUZZ_SEED", time.time_ns() % 2**32))
    tally = Tally()
    given = {"pages": pages, "tags": tags, "private": [str(tmp_path).encode()], "tally": tally}

    fuzz(port, seed, REQUESTS, log_readable=True, **given)
    with log_away(calls):
        fuzz(port, seed + 1, REQUESTS // 2, log_readable=False, **given)
    fuzz(port, seed + 2, REQUESTS, log_readable=True, **given)

    assert tally.problems == [], f"seed {seed}: {tally.problems[:5]}"
    assert {200, 400, 404, 503} <= set(tally.statuses), tally.statuses
    assert gateway.proc.poll() is None
    assert get(f"http://127.0.0.1:{port}/api/state")[0] == 200
