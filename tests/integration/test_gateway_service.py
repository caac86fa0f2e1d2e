"""`velko gateway` under a service manager: readiness and watchdog notifications on the socket
systemd would give it, and a clean stop on SIGTERM within a second with the log consistent."""

import socket
import sqlite3

from conftest import Deadline
from gateway_support import environment, logged_calls


def test_notifies_readiness_feeds_the_watchdog_and_stops_cleanly(tmp_path, broker, sims,
                                                                gateways):
    manager = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
    manager.bind(str(tmp_path / "notify"))
    manager.settimeout(Deadline().left())
    sim = sims()
    calls = tmp_path / "calls.db"
    gateway = gateways("--device", f"1={sim.path}", "--calls", str(calls), "--mqtt",
                       f"127.0.0.1:{broker.port}",
                       env=environment(NOTIFY_SOCKET=str(tmp_path / "notify"),
                                       WATCHDOG_USEC="200000"))
    assert manager.recv(256) == b"READY=1"
    assert [manager.recv(256) for _ in range(3)] == [b"WATCHDOG=1"] * 3
    gateway.connected("mqtt")
    sim.play(*(f"call 02{index:08d}" for index in range(50)))
    gateway.expect(event="delivered", call=3)
    status, seconds = gateway.stop()
    assert (status, seconds < 1.0) == (0, True)
    while (message := manager.recv(256)) == b"WATCHDOG=1":
        pass
    assert message == b"STOPPING=1"
    with sqlite3.connect(calls) as db:
        assert db.execute("PRAGMA integrity_check").fetchone() == ("ok",)
    logged = logged_calls(calls)
    delivered = [call["id"] for call in logged if call["deliveries"]["mqtt"]]
    assert delivered == gateway.delivered("mqtt") and delivered == list(range(1, len(delivered) + 1))
