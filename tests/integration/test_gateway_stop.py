"""`velko gateway` stopped with SIGTERM while an output waits on a far end that does not answer:
a name server that never replies (in a mount namespace of the gateway's own, whose resolver asks
only it), an NCID server that never reads and a broker that never answers CONNECT. The gateway
ends within a second, and the log keeps the call it took, undelivered."""

import random
import socket
import sqlite3
import subprocess

import pytest
from conftest import Deadline
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
