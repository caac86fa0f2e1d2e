"""The terminal's memory read back into the log (calls that came while the gateway was away) and
the terminal's clock, with the simulator, a real broker, the fake NCID server and a real log."""

import datetime
import json
import sqlite3
from zoneinfo import ZoneInfo

import pytest

from gateway_support import Subscriber, environment, logged_calls

MEMORY = "memory"


def test_calls_stored_while_the_gateway_was_stopped_arrive_once_from_memory(
        tmp_path, broker, ncid, sims, gateways):
    subscriber = Subscriber(broker.port, "velko/#")
    sim = sims()
    sim.play("store 0212345678 Kim 0 S 03050907", "store 0212345678 Kim 0 S 03050907",
             "store 0311112222")
    sim.log.wait(lambda line: "store 0311112222" in line)
    calls = tmp_path / "calls.db"
    options = ("--device", f"1={sim.path}", "--calls", str(calls), "--line", "shop",
               "--mqtt", f"127.0.0.1:{broker.port}", "--ncid", f"127.0.0.1:{ncid.port}")
    gateway = gateways(*options)
    assert gateway.expect(event="backfill") == {"event": "backfill", "listed": 3, "added": 3}
    for output in ("mqtt", "ncid"):
        gateway.events.wait(lambda e, o=output: e.get("event") == "delivered"
                            and (e["output"], e["call"]) == (o, 3))
    gateway.stop()

    again = gateways(*options)
    assert again.expect(event="backfill") == {"event": "backfill", "listed": 3, "added": 0}
    again.stop()
    logged = logged_calls(calls)
    assert [(c["number"], c["name"], c["source"]) for c in logged] == [
        ("0212345678", "Kim", MEMORY), ("0212345678", "Kim", MEMORY), ("0311112222", "", MEMORY)]
    assert all(all(c["deliveries"].values()) for c in logged)
    published = [json.loads(p) for p in subscriber.payloads("velko/shop/call")]
    assert [(c["id"], c["source"]) for c in published] == [(1, MEMORY), (2, MEMORY), (3, MEMORY)]
    assert "true" not in subscriber.payloads("velko/shop/ringing")
    # The last call changes only for a call newer than the one it holds.
    assert [json.loads(p)["id"] for p in subscriber.payloads("velko/shop/last_call")] == [1, 3]
    # NCID gets each as a call line with its own date.
    assert [(c["DATE"], c["NMBR"]) for c in ncid.calls] == [
        ("03050907", "0212345678"), ("03050907", "0212345678"),
        (logged[2]["time"][5:16].replace("-", "").replace("T", "").replace(":", ""),
         "0311112222")]
    subscriber.close()


def test_an_entry_of_last_year_still_in_memory_is_neither_logged_again_nor_dated_ahead(
        tmp_path, sims, gateways):
    seoul = ZoneInfo("Asia/Seoul")
    now = datetime.datetime.now(seoul).replace(second=0, microsecond=0)
    # Two calls of last year whose day and hour come round again within the day: the one logged
    # then, and one the log never had.
    logged_then, never_logged = (now + datetime.timedelta(hours=hours) for hours in (2, 3))
    if (2, 29) in [(moment.month, moment.day) for moment in (logged_then, never_logged)]:
        pytest.skip("29 February has no day a year before")
    logged_then, never_logged = (moment.replace(year=moment.year - 1)
                                 for moment in (logged_then, never_logged))
    sim = sims(env=environment(TZ="Asia/Seoul"))
    sim.play(*(f"store 02{i}2345678 \"\" 0 S {moment:%m%d%H%M}"
               for i, moment in enumerate((logged_then, never_logged))))
    sim.log.wait(lambda line: "store 0212345678" in line)
    calls = tmp_path / "calls.db"
    options = ("--device", f"1={sim.path}", "--calls", str(calls))
    first = gateways(*options, "--no-backfill")
    first.connected("terminal")
    first.stop()
    with sqlite3.connect(calls) as db:
        db.execute("INSERT INTO calls (id, received, line, state, month, day, hour, minute, time, "
                   "number, name, \"group\", type) VALUES (1, ?, 'velko', 1, ?, ?, ?, ?, ?, "
                   "'0202345678', '', 0, 'NORMAL')",
                   (logged_then.astimezone(datetime.timezone.utc).strftime(
                       "%Y-%m-%dT%H:%M:00.000Z"), logged_then.month, logged_then.day,
                    logged_then.hour, logged_then.minute, logged_then.isoformat()))
    db.close()

    gateway = gateways(*options)
    assert gateway.expect(event="backfill") == {"event": "backfill", "listed": 2, "added": 1}
    gateway.stop()
    assert [(call["number"], call["time"]) for call in logged_calls(calls)] == [
        ("0202345678", logged_then.isoformat()), ("0212345678", never_logged.isoformat())]


def test_a_live_call_during_the_exchange_is_logged_once(tmp_path, sims, gateways):
    sim = sims("--ack-delay", "1500")
    calls = tmp_path / "calls.db"
    gateway = gateways("--device", f"1={sim.path}", "--calls", str(calls))
    sim.log.wait(lambda line: line.endswith("received ["))
    sim.play("call 0212345678")
    assert gateway.expect(event="call")["call"]["source"] == "report"
    assert gateway.expect(event="backfill") == {"event": "backfill", "listed": 1, "added": 0}
    gateway.stop()
    assert [c["source"] for c in logged_calls(calls)] == ["report"]


def test_a_terminal_that_never_acknowledges_is_reported_and_live_calls_still_flow(
        tmp_path, sims, gateways):
    sim = sims("--no-ack")
    calls = tmp_path / "calls.db"
    gateway = gateways("--device", f"1={sim.path}", "--calls", str(calls))
    assert "acknowledge" in gateway.expect(event="backfill")["error"]
    sim.play("call 0212345678")
    assert gateway.expect(event="call")["call"]["number"] == "0212345678"


def test_a_full_memory_newer_than_the_log_names_the_gap(tmp_path, sims, gateways):
    sim = sims("--memory", "60", "--start", "2026-03-05 09:00")
    calls = tmp_path / "calls.db"
    options = ("--device", f"1={sim.path}", "--calls", str(calls))
    gateway = gateways(*options)
    gateway.expect(event="backfill")
    sim.play("call 0212345678")
    newest_logged = gateway.expect(event="call")["call"]["time"]
    gateway.stop()
    # Sixty calls after it push it out of the memory.
    sim.play(*(f"store 03{i:08d} \"\" 0 S 0305{10 + i // 60:02d}{i % 60:02d}" for i in range(60)))
    sim.log.wait(lambda line: "store 0300000059" in line)
    again = gateways(*options)
    event = again.expect(event="backfill")
    oldest_stored = again.events.matching(lambda e: e.get("event") == "call")[0]["call"]["time"]
    assert (event["listed"], event["added"]) == (60, 60)
    assert event["gap"] == {"after": newest_logged, "before": oldest_stored}
    assert newest_logged.startswith("2026-03-05T09:00:00")
    assert oldest_stored.startswith("2026-03-05T10:00:00")


def test_a_clock_behind_is_reported_and_set_right_at_connection(tmp_path, sims, gateways):
    # The terminal keeps the time of the gateway's zone.
    sim = sims(env=environment(TZ="Asia/Seoul"))
    sim.play("clock -7")
    sim.log.wait(lambda line: "clock -7" in line)
    gateway = gateways("--device", f"1={sim.path}", "--calls", str(tmp_path / "calls.db"),
                       "--no-backfill", "--set-clock")
    gateway.connected("terminal")
    sim.play("call 0212345678")
    assert gateway.expect(event="clock")["off_minutes"] == -7
    # The setter waits for the next minute to start.
    set_event = gateway.expect(70, event="clock", set=True)
    line = sim.log.items[sim.log.wait(lambda text: "clock set to" in text, 10)]
    terminal = datetime.datetime.strptime(line.split("clock set to ")[1], "%Y-%m-%d %H:%M:%S")
    now = datetime.datetime.now(ZoneInfo("Asia/Seoul")).replace(tzinfo=None)
    assert abs(terminal - now) < datetime.timedelta(minutes=1)
    assert terminal.strftime("%m-%d %H:%M") == f"{set_event['date']} {set_event['time']}"
    assert not sim.log.matching(lambda text: "received command [a" in text)
