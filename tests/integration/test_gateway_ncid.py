"""`velko gateway --ncid`: calls to a fake NCID server that keeps the real server's sharp edges
(ncid_server.py), values made safe for it, hang-ups, and no call lost while it is away."""

import re
import socket

from conftest import Deadline
from gateway_support import logged_calls


def ncid_options(server, calls):
    return ("--calls", str(calls), "--ncid", f"127.0.0.1:{server.port}", "--line", "shop")


def test_calls_arrive_acknowledged_one_line_at_a_time_with_safe_values(tmp_path, ncid, sims,
                                                                      gateways):
    sim = sims("--start", "2026-03-05 09:07")
    calls = tmp_path / "calls.db"
    gateway = gateways("--device", f"1={sim.path}", *ncid_options(ncid, calls))
    gateway.connected("ncid")
    long_name = "가나다라마바사아자차카타파하" * 2  # 28 characters, 84 bytes
    sim.play("call 0212345678 홍길동 2 S", 'call 0311112222 "SPRING CO" 0 S',
             "call 0511112222 P 0 B", f"call 0611112222 {long_name}", 'call "" "" 0 P',
             'other 0711112222 "A+B...CALLOUT" 1 V', 'call "02+++++NAME1" "x CALLHUP" 0 S',
             "call 0212345678 홍길동 2 S", "hook off", "hook on")
    ncid.wait(lambda server: len(server.infos) == 1, 10)
    assert not ncid.faults and ncid.lost == 0
    assert [(c["DATE"], c["CALL"], c["LINE"], c["NMBR"]) for c in ncid.calls] == [
        ("03050907", "IN", "shop", "0212345678"), ("03050907", "IN", "shop", "0311112222"),
        ("03050907", "BLK", "shop", "0511112222"), ("03050907", "IN", "shop", "0611112222"),
        ("03050907", "IN", "shop", "PRIVATE"), ("03050907", "IN", "shop", "0711112222"),
        ("03050907", "IN", "shop", "02++＋＋＋Name1"), ("03050907", "IN", "shop", "0212345678")]
    names = [call["NAME"] for call in ncid.calls]
    assert names[:3] == ["홍길동", "SPRing CO", "(P)"]
    assert names[3] == long_name[:16] and len(names[3].encode()) == 48
    assert names[4:] == ["NO NAME", "A＋B…Callout", "x Callhup", "홍길동"]
    info = ncid.infos[0]
    assert (info["BYE"], info["DATE"], info["CALL"], info["NMBR"], info["NAME"]) == (
        "", "03050907", "IN", "0212345678", "홍길동")
    assert re.fullmatch(r"\d\d/\d\d/\d{4} \d\d:\d\d:\d\d", info["SCALL"])
    assert info["SCALL"] <= info["ECALL"]
    gateway.expect(event="delivered", output="ncid", call=8)
    assert gateway.delivered("ncid") == list(range(1, 9))
    gateway.stop()
    assert all(call["deliveries"]["ncid"] for call in logged_calls(calls))


def test_a_server_that_goes_away_gets_every_call_in_order_when_it_is_back(tmp_path, ncid, sims,
                                                                          gateways):
    sim = sims()
    calls = tmp_path / "calls.db"
    gateway = gateways("--device", f"1={sim.path}", *ncid_options(ncid, calls))
    gateway.connected("ncid")
    numbers = [f"02{index:08d}" for index in range(40)]
    sim.play(*(f"call {number}" for number in numbers[:10]))
    ncid.wait(lambda server: len(server.calls) >= 3, 10)
    ncid.stop()
    sim.play(*(f"call {number}" for number in numbers[10:30]))
    gateway.expect(event="connection", peer="ncid", state="disconnected")
    ncid.start()
    sim.play(*(f"call {number}" for number in numbers[30:]))
    ncid.wait(lambda server: numbers[-1] in [call["NMBR"] for call in server.calls], 30)
    taken = [call["NMBR"] for call in ncid.calls]
    # A call whose acknowledgement the stop cut off comes again; nothing else does.
    assert list(dict.fromkeys(taken)) == numbers
    assert len(taken) - len(numbers) <= 1
    assert not ncid.faults and ncid.lost == 0


def test_a_server_that_sends_an_endless_line_is_left(tmp_path, sims, gateways):
    listener = socket.create_server(("127.0.0.1", 0))
    listener.settimeout(Deadline().left())
    sim = sims()
    gateway = gateways("--device", f"1={sim.path}", "--calls", str(tmp_path / "calls.db"),
                       "--ncid", f"127.0.0.1:{listener.getsockname()[1]}")
    server, _ = listener.accept()
    deadline = Deadline()
    server.settimeout(deadline.left())
    with listener, server:
        try:
            server.sendall(b"200 ")
            while not deadline.passed():  # or until the gateway closes the connection
                server.sendall(b"x" * 65536)
        except OSError:
            pass
    lost = gateway.expect(event="connection", peer="ncid", state="disconnected")
    assert lost["reason"] == "the server sent a line longer than 64 KiB"
    gateway.stop()
