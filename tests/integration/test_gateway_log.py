"""`velko gateway` and `velko log`: calls from the simulator into the call log, hook changes, the
device going away and coming back, the configuration file."""

import os
import sqlite3
import subprocess

import pytest
from conftest import VELKO
from gateway_support import logged_calls, velko_log


def without(call, *keys):
    return {key: value for key, value in call.items() if key not in keys}


def test_logs_calls_and_hook_changes_lists_them_and_stops_cleanly(tmp_path, sims, gateways):
    sim = sims("--start", "2026-03-05 09:07")
    calls = tmp_path / "state" / "calls.db"
    gateway = gateways("--device", f"1={sim.path}", "--calls", str(calls), "--line", "shop")
    gateway.connected("terminal")
    sim.play("call 0212345678 홍길동 2 S", "hook off", "hook on", 'other 0311112222 "" 0 B')
    first = gateway.expect(event="call")["call"]
    assert without(first, "received") == {
        "line": "shop", "time": "2026-03-05T09:07:00+09:00", "month": 3, "day": 5, "hour": 9,
        "minute": 7, "number": "0212345678", "name": "홍길동", "group": 2, "type": "NORMAL",
        "state": 1, "id": 1, "source": "report"}
    assert first["received"].endswith("Z")
    gateway.expect(event="hook", off_hook=True)
    gateway.expect(event="hook", off_hook=False)
    second = gateway.expect(event="call")["call"]
    assert (second["state"], second["name"], second["type"]) == (2, "", "BLACK")

    status, seconds = gateway.stop()
    assert status == 0 and seconds < 1.0
    assert [without(call, "deliveries") for call in logged_calls(calls)] == [first, second]
    table = velko_log(calls).splitlines()
    assert table[0].split() == ["id", "time", "number", "name", "group", "type", "state",
                                "from", "delivered", "pending"]
    assert table[2].split() == ["1", "2026-03-05", "09:07", "02-1234-5678", "홍길동", "2",
                                "NORMAL", "1"]
    csv = velko_log(calls, "--csv", "--number", "0311").splitlines()
    assert csv[0].startswith("id,time,month,day,hour,minute,number,name,group,type,state")
    assert len(csv) == 2 and ",0311112222,,0,BLACK,2,shop," in csv[1]
    assert velko_log(calls, "--since", "2099-01-01") .count("\n") == 1
    # A day of any four-digit year bounds the list as the day it is.
    assert velko_log(calls, "--since", "9999-12-31") .count("\n") == 1
    assert velko_log(calls, "--since", "0999-01-01") .count("\n") == 3
    assert velko_log(calls, "--json", "--limit", "1").count("\n") == 1
    with sqlite3.connect(calls) as db:
        assert db.execute("SELECT off_hook FROM hook_changes ORDER BY id").fetchall() == [(1,),
                                                                                          (0,)]
        assert db.execute("PRAGMA journal_mode").fetchone() == ("wal",)


def test_takes_each_field_whole_whatever_it_holds(tmp_path, sims, gateways):
    sim = sims()
    calls = tmp_path / "calls.db"
    gateway = gateways("--device", f"1={sim.path}", "--calls", str(calls))
    gateway.connected("terminal")
    sim.play('call "02 1234 Name:Evil" "Kim Lee" 2 S')
    call = gateway.expect(event="call")["call"]
    assert (call["number"], call["name"]) == ("02 1234 Name:Evil", "Kim Lee")
    gateway.stop()
    assert [call["number"] for call in logged_calls(calls)] == ["02 1234 Name:Evil"]


def test_opens_the_device_again_when_it_comes_back(tmp_path, sims, gateways):
    link = tmp_path / "ttyVELKO"
    first = sims()
    link.symlink_to(first.path)
    calls = tmp_path / "calls.db"
    gateway = gateways("--device", f"1={link}", "--calls", str(calls))
    gateway.connected("terminal")
    first.play("call 0211111111")
    gateway.expect(event="call")
    first.kill()
    gateway.expect(event="connection", peer="terminal", state="disconnected")
    second = sims()
    replacement = tmp_path / "ttyVELKO.new"
    replacement.symlink_to(second.path)
    os.replace(replacement, link)
    gateway.connected("terminal", seconds=15)
    second.play("call 0222222222")
    gateway.expect(event="call")
    gateway.stop()
    assert [call["number"] for call in logged_calls(calls)] == ["0211111111", "0222222222"]


def test_reads_its_options_from_a_file_and_the_command_line_wins(tmp_path, sims, gateways):
    sim = sims()
    calls = tmp_path / "calls.db"
    config = tmp_path / "gateway.toml"
    config.write_text(f'line = "kitchen"\ncalls = "{calls}"\ndevice = ["1={sim.path}"]\n')
    gateway = gateways("--config", str(config), "--line", "shop")
    gateway.connected("terminal")
    sim.play("call 0212345678")
    assert gateway.expect(event="call")["call"]["line"] == "shop"
    gateway.stop()
    assert len(logged_calls(calls)) == 1


@pytest.mark.parametrize("line", ["x", "seven77", "a b", "가나"])
def test_refuses_line_names_the_servers_cannot_carry(tmp_path, line):
    done = subprocess.run([VELKO, "gateway", "--line", line, "--calls", str(tmp_path / "c.db")],
                          capture_output=True, timeout=10)
    assert done.returncode != 0 and b"--line" in done.stderr


def test_a_call_log_that_cannot_be_opened_ends_it_with_the_reason(tmp_path):
    blocked = tmp_path / "file"
    blocked.write_text("")
    done = subprocess.run([VELKO, "gateway", "--calls", str(blocked / "calls.db")],
                          capture_output=True, timeout=10)
    assert done.returncode == 1 and b"velko gateway: the call log: " in done.stderr
