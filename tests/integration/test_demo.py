"""`./run demo`'s script: the host's lines come after the simulator's lines that caused them."""

import os
import subprocess

from conftest import ROOT, TIMEOUT, VELKO


def test_every_host_event_follows_the_scenario_line_that_caused_it():
    shown = subprocess.run(
        [ROOT / "tools" / "demo.sh"], env={**os.environ, "VELKO": VELKO, "VELKO_DEMO_PACE": "0.2"},
        capture_output=True, text=True, timeout=TIMEOUT * 3, check=True).stdout.splitlines()

    def first(text):
        return next(index for index, line in enumerate(shown) if text in line)

    for cause, effect in [("scenario: call 0212345678", "host │ event ReceiveCallByString call 1"),
                          ("scenario: hook off", "host │ event HookEvent off-hook"),
                          ("scenario: hook on", "host │ event HookEvent on-hook"),
                          ("scenario: other 0311234567", "host │ event ReceiveCallByString call 2"),
                          ("sent response d", 'host │ event ReceiveResponse d (100): "12-25"')]:
        assert first(cause) < first(effect), (cause, shown)
    # The call made while the gateway was stopped arrives from the terminal's memory.
    assert first("backfill: 1 calls from the terminal's memory") < first("id  time")
    listing = shown[first("id  time"):]
    assert any("0509876543" in line and "memory" in line for line in listing), listing
