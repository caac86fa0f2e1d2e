"""`velko gateway --keep-days` prunes the log a gateway writes, and `velko log --backup` copies it
meanwhile."""

import sqlite3
import subprocess

from conftest import TIMEOUT, VELKO
from gateway_support import logged_calls, velko_log


def test_prunes_old_acknowledged_calls_at_start_and_backs_up_while_running(tmp_path, sims,
                                                                           gateways):
    sim = sims()
    calls = tmp_path / "calls.db"
    first = gateways("--device", f"1={sim.path}", "--calls", str(calls))
    first.connected("terminal")
    sim.play("call 0211111111", "call 0222222222")
    first.expect(event="call")
    first.expect(event="call")
    assert first.stop()[0] == 0
    # Without outputs every call counts as acknowledged; the first one is made old.
    with sqlite3.connect(calls) as db:
        db.execute("UPDATE calls SET received = '2020-01-01T00:00:00.000Z' WHERE id = 1")
        db.execute("INSERT INTO hook_changes (received, line, off_hook) VALUES "
                   "('2020-01-01T00:00:00.000Z', 'velko', 1)")
    db.close()

    # The pruned call is still in the terminal's memory, logged as received now.
    second = gateways("--device", f"1={sim.path}", "--calls", str(calls), "--keep-days", "30",
                      "--no-backfill")
    pruned = second.expect(event="pruned")
    assert (pruned["calls"], pruned["hook_changes"]) == (1, 1)
    second.connected("terminal")
    sim.play("call 0233333333")
    assert second.expect(event="call")["call"]["id"] == 3

    copy = tmp_path / "backup.db"
    velko_log(calls, "--backup", str(copy))
    assert [call["id"] for call in logged_calls(copy)] == [2, 3]
    assert copy.stat().st_mode & 0o777 == 0o640
    assert second.stop()[0] == 0


def test_a_backup_onto_a_file_that_is_no_call_log_fails_and_leaves_it_untouched(tmp_path, sims,
                                                                                gateways):
    sim = sims()
    calls = tmp_path / "calls.db"
    gateway = gateways("--device", f"1={sim.path}", "--calls", str(calls), "--no-backfill")
    gateway.connected("terminal")
    gateway.stop()
    private = tmp_path / "private.txt"
    private.write_bytes(b"my notes\n")
    private.chmod(0o600)
    done = subprocess.run([VELKO, "log", "--calls", str(calls), "--backup", str(private)],
                          capture_output=True, timeout=TIMEOUT)
    assert done.returncode == 1
    assert done.stderr.decode().startswith(f"velko log: {private}: ")
    assert (private.read_bytes(), private.stat().st_mode & 0o777) == (b"my notes\n", 0o600)
