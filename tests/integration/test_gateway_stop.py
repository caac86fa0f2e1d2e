"""`velko gateway` stopped with SIGTERM while an output waits on a far end that does not answer:
a name server that never replies (in a mount namespace of the gateway's own, whose resolver asks
only it), an NCID server that never reads and a broker that never answers CONNECT; and while the
control waits on a terminal that does not answer (the terminal's end of a pseudo-terminal, which
the test reads and answers only as far as it chooses). The gateway ends within a second, and the
log keeps the calls it took, undelivered."""

import random
import socket
import sqlite3
import statistics
import subprocess

import pytest
from conftest import Deadline, report
from gateway_support import logged_calls

UNANSWERED = "unanswered.velko-test.example"


def silent_name_server():
    """A UDP socket on port 53 of a loopback address of its own (tests may run side by side)
    that takes the queries and never replies."""
    if subprocess.run(["unshare", "-m", "true"], capture_output=True).returncode != 0:
        pytest.skip("unshare -m is not permitted here")
    server = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    for _ in range(20):
        address = f"127.83.{random.randrange(256)}.{random.randrange(1, 255)}"
        try:
            server.bind((address, 53))
            return server
        except PermissionError as error:
            server.close()
            pytest.skip(f"no name server may listen on port 53: {error}")
        except OSError:
            continue
    raise AssertionError("no free loopback address for the name server")


def resolving_through(server_address, folder):
    """The prefix that starts a command whose name lookups go to that name server only."""
    files = {"resolv.conf": f"nameserver {server_address}\noptions timeout:4 attempts:1\n",
             "hosts": "127.0.0.1 localhost\n", "nsswitch.conf": "hosts: files dns\n"}
    mounts = []
    for name, text in files.items():
        (folder / name).write_text(text)
        mounts.append(f"mount --bind {folder / name} /etc/{name}")
    return ("unshare", "-m", "sh", "-c", " && ".join(mounts) + ' && exec "$@"', "sh")


@pytest.mark.parametrize("output", ["--ncid", "--mqtt"])
@pytest.mark.parametrize("far_end", ["name server", "server"])
def test_a_stop_ends_the_gateway_within_a_second_whatever_an_output_waits_for(
        tmp_path, sims, gateways, output, far_end):
    sim = sims()
    calls = tmp_path / "calls.db"
    options = ("--device", f"1={sim.path}", "--calls", str(calls))
    if far_end == "name server":
        silent = silent_name_server()
        gateway = gateways(*options, output, UNANSWERED,
                           prefix=resolving_through(silent.getsockname()[0], tmp_path))
    else:
        silent = socket.create_server(("127.0.0.1", 0))
        gateway = gateways(*options, output, f"127.0.0.1:{silent.getsockname()[1]}")
    with silent:
        silent.settimeout(Deadline().left())
        # The output is waiting once the query or the connection has come.
        if far_end == "name server":
            assert UNANSWERED.split(".")[0].encode() in silent.recv(512)
            connection = None
        else:
            connection, _ = silent.accept()
        gateway.connected("terminal")
        sim.play("call 0212345678")
        gateway.expect(event="call")
        status, seconds = gateway.stop()
        print(f"{output} waiting on a {far_end}: stopped in {seconds:.3f} s")
        assert (status, seconds < 1.0) == (0, True), seconds
        if connection:
            connection.close()
    with sqlite3.connect(calls) as db:
        assert db.execute("PRAGMA integrity_check").fetchone() == ("ok",)
    logged = logged_calls(calls)
    assert [(call["number"], any(call["deliveries"].values())) for call in logged] == [
        ("0212345678", False)]


def caller_report(number):
    return report(b"D", b"Time:03050907", b"Number:" + number.encode(), b"Name:", b"Group:0",
                  b"Type:S")


def check_log_after_stop(calls, numbers):
    """The log holds exactly the calls the gateway took, is whole, and its write-ahead log is
    checkpointed (the gateway's connection closed cleanly)."""
    with sqlite3.connect(calls) as db:
        assert db.execute("PRAGMA integrity_check").fetchone() == ("ok",)
    db.close()
    wal = calls.with_name(calls.name + "-wal")
    assert not wal.exists() or wal.stat().st_size == 0
    assert [call["number"] for call in logged_calls(calls)] == numbers


# The moments of the exchange a stop may fall in: the gateway has just connected (the opening
# "[" is on its way or not yet sent), the control waits for the "ACK" that never comes, or the
# command went out after the "ACK" and the gateway waits for an answer that never comes.
PHASES = ("connected", "acknowledgement", "answer")


def test_a_stop_at_any_moment_of_an_exchange_with_a_silent_terminal_ends_within_a_second(
        tmp_path, terminals, gateways):
    calls = tmp_path / "calls.db"
    seed = random.randrange(1 << 30)
    chance = random.Random(seed)
    numbers, figures = [], []
    for run in range(21):
        phase = PHASES[run % len(PHASES)]
        terminal = terminals()
        gateway = gateways("--device", f"1={terminal.path}", "--calls", str(calls))
        gateway.connected("terminal")
        if phase != "connected":
            terminal.expect(b"[")
            # A call reported meanwhile is taken by the control's wait, and logged.
            numbers.append(f"02{run:08d}")
            terminal.send(caller_report(numbers[-1]))
            gateway.expect(event="call")
        if phase == "answer":
            terminal.send(b"ACK\r\n")
            terminal.expect(b"a\r]")
        terminal.quiet_for(chance.uniform(0, 0.01 if phase == "connected" else 1.5))
        status, seconds = gateway.stop()
        figures.append(seconds)
        assert (status, seconds < 1.0) == (0, True), (phase, seconds, f"seed {seed}")
        # The read that the stop ended is not told, least of all as done.
        assert gateway.events.matching(lambda e: e.get("event") == "backfill") == [], phase
        check_log_after_stop(calls, numbers)
    print(f"{len(figures)} stops: median {statistics.median(figures) * 1000:.0f} ms, "
          f"largest {max(figures) * 1000:.0f} ms")


def test_a_stop_while_the_clock_is_set_on_a_silent_terminal_tells_no_setting(
        tmp_path, terminal, gateways):
    calls = tmp_path / "calls.db"
    gateway = gateways("--device", f"1={terminal.path}", "--calls", str(calls), "--no-backfill",
                       "--set-clock")
    gateway.connected("terminal")
    # The clock is set just after the next minute starts.
    terminal.expect(b"[", 65)
    terminal.quiet_for(random.uniform(0, 1.5))
    status, seconds = gateway.stop()
    assert (status, seconds < 1.0) == (0, True), seconds
    assert gateway.events.matching(lambda e: e.get("event") == "clock") == []
    check_log_after_stop(calls, [])


@pytest.mark.parametrize("output", ["--ncid", "--mqtt"])
def test_a_stop_with_a_name_lookup_pending_and_a_silent_terminal(tmp_path, terminal, gateways,
                                                                 output):
    calls = tmp_path / "calls.db"
    silent = silent_name_server()
    gateway = gateways("--device", f"1={terminal.path}", "--calls", str(calls), output,
                       UNANSWERED, prefix=resolving_through(silent.getsockname()[0], tmp_path))
    with silent:
        silent.settimeout(Deadline().left())
        assert UNANSWERED.split(".")[0].encode() in silent.recv(512)
        terminal.expect(b"[")
        terminal.send(caller_report("0212345678"))
        gateway.expect(event="call")
        terminal.quiet_for(random.uniform(0, 1.5))
        status, seconds = gateway.stop()
    assert (status, seconds < 1.0) == (0, True), seconds
    check_log_after_stop(calls, ["0212345678"])
