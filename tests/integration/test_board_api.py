"""The board's server (`velko gateway --http`): its API over a real call log fed by the simulator,
the live events and their replay, the password, HTTPS, and the refusals that keep it private."""

import contextlib
import datetime
import http.client
import json
import socket
import sqlite3
import subprocess
import zoneinfo

import pytest
from board_support import (Events, call_log_schema, deliveries_away, get, get_json, log_away,
                           write_calls)
from conftest import TIMEOUT, VELKO
from gateway_support import free_port

CALLS = ["call 0212345678 홍길동 2 S", 'call 0311112222 "" 0 B', "call 01055556666 김철수 1 V",
         'call 0700000000 "50%_off" 0 S']


@pytest.fixture
def board(tmp_path, sims, gateways):
    """A simulator and a gateway with the board on a free port; the four CALLS logged."""
    sim = sims("--start", "2026-03-05 09:07")
    port = free_port()
    gateway = gateways("--device", f"1={sim.path}", "--calls", str(tmp_path / "calls.db"),
                       "--line", "shop", "--http", str(port))
    assert gateway.expect(event="listening")["url"] == f"http://127.0.0.1:{port}/"
    gateway.connected("terminal")
    sim.play(*CALLS)
    for _ in CALLS:
        gateway.expect(event="call")
    return f"http://127.0.0.1:{port}", port, sim, gateway


def numbers(url):
    status, calls = get_json(url)
    assert status == 200
    return [call["number"] for call in calls]


def test_lists_searches_filters_and_pages_the_calls(board):
    base, _, _, _ = board
    status, calls = get_json(f"{base}/api/calls")
    assert status == 200 and [call["id"] for call in calls] == [4, 3, 2, 1]
    assert calls[3]["name"] == "홍길동" and calls[3]["deliveries"] == {}
    assert numbers(f"{base}/api/calls?limit=2") == ["0700000000", "01055556666"]
    assert numbers(f"{base}/api/calls?limit=2&before=3") == ["0311112222", "0212345678"]
    assert numbers(f"{base}/api/calls?source=memory") == []
    assert len(numbers(f"{base}/api/calls?source=report&q=0")) == 4
    # A part of the number or the name, literally: through the index from three characters on.
    assert numbers(f"{base}/api/calls?q=1111") == ["0311112222"]
    assert numbers(f"{base}/api/calls?q=1111&before=2") == []
    assert numbers(f"{base}/api/calls?q=0&before=4&limit=2") == ["01055556666", "0311112222"]
    assert numbers(f"{base}/api/calls?q=%ED%99%8D%EA%B8%B8%EB%8F%99") == ["0212345678"]  # 홍길동
    assert numbers(f"{base}/api/calls?q=%EC%B2%A0%EC%88%98") == ["01055556666"]  # 철수
    assert numbers(f"{base}/api/calls?q=%25_") == ["0700000000"]  # %_
    assert numbers(f"{base}/api/calls?q=%22x") == []
    assert numbers(f"{base}/api/calls?type=BLACK") == ["0311112222"]
    today = datetime.datetime.now(zoneinfo.ZoneInfo("Asia/Seoul")).date()
    tomorrow = today + datetime.timedelta(days=1)
    assert len(numbers(f"{base}/api/calls?since={today}&until={today}")) == 4
    assert numbers(f"{base}/api/calls?since={tomorrow}") == []
    assert numbers(f"{base}/api/calls?until={today - datetime.timedelta(days=1)}") == []

    status, headers, body = get(f"{base}/api/calls.csv?q=0&type=NORMAL")
    lines = body.decode().split("\r\n")
    assert status == 200 and headers["Content-Type"].startswith("text/csv")
    assert lines[0].startswith("id,time,") and [line[:2] for line in lines[1:3]] == ["4,", "1,"]
    assert len(lines) == 4 and lines[3] == ""


def test_refuses_bad_parameters_and_unknown_paths(board):
    base, _, _, _ = board
    for query in ["calls?limit=0", "calls?limit=501", "calls?before=x", "calls?before=-1",
                  "calls?since=2026-02-30", "calls?until=yesterday", "calls?type=black",
                  "calls?q=1&q=2", "calls?source=both", "calls.csv?limit=x", "stats?days=0",
                  "stats?days=367", "state?x=1"]:
        status, headers, body = get(f"{base}/api/{query}")
        assert status == 400 and headers["Cache-Control"] == "no-store", query
        assert set(json.loads(body)) == {"error"}, query
    assert get(f"{base}/api/events", headers={"Last-Event-ID": "x"})[0] == 400
    for path in ["/api/nothing", "/index.htm", "/api/calls/1"]:
        assert get(f"{base}{path}")[0] == 404


def test_a_control_character_or_no_utf_8_in_any_parameter_is_refused_and_ends_nothing(board):
    base, _, _, gateway = board
    for query in ["calls?q=ab%00", "calls.csv?q=ab%00", "calls?q=%1B%5B2J", "calls?q=%C2%85",
                  "calls?q=%FF%FE", "calls?q=%ED%A0%80", "calls?since=2026-03-0%00",
                  "calls?until=2026-03-05%0A", "calls?type=NORMAL%00", "calls.csv?source=memory%00",
                  "calls?limit=5%00", "stats?days=3%00", "calls?%00=1", "calls.csv?q=%7F"]:
        status, _, body = get(f"{base}/api/{query}")
        assert status == 400 and set(json.loads(body)) == {"error"}, query
        assert b"SELECT" not in body and b"calls.db" not in body, query
    assert get(f"{base}/api/state")[0] == 200 and gateway.proc.poll() is None


def test_numbers_and_days_at_their_limits(board):
    base, _, _, _ = board
    for query in ["calls?before=9223372036854775808", "calls?before=0", "calls?limit=-1",
                  "calls?limit=%2B5", "calls?limit=18446744073709551617",
                  "calls.csv?limit=9223372036854775808", "stats?days=99999999999999999999",
                  "calls?since=0000-00-00", "calls?until=2026-02-29", "calls?since=20260305",
                  "calls?since=%202026-3-05", "calls?since=%2B026-03-05", "calls?until=-001-01-01",
                  # A long search costs the index's time by the character: it has a bound.
                  "calls?q=" + "0" * 65, "calls.csv?q=" + "%EA%B9%80" * 65]:
        assert get(f"{base}/api/{query}")[0] == 400, query
    assert numbers(f"{base}/api/calls?q=" + "0" * 64) == []
    assert len(numbers(f"{base}/api/calls?before=9223372036854775807")) == 4
    status, _, body = get(f"{base}/api/calls.csv?limit=9223372036854775807")
    assert status == 200 and len(body.decode().split("\r\n")) == 6
    # Days of any four-digit year bound the search as the days they are.
    assert len(numbers(f"{base}/api/calls?since=0999-01-01")) == 4
    assert numbers(f"{base}/api/calls?until=0999-01-01") == []
    assert len(numbers(f"{base}/api/calls?since=0000-01-01&until=9999-12-31")) == 4
    assert numbers(f"{base}/api/calls?since=9999-12-31") == []


def test_last_event_ids_that_are_no_calls_of_this_log(board):
    base, port, sim, gateway = board
    for value in ["x", "-1", "99999999999999999999", "1.5", "0x10", "1 2"]:
        assert get(f"{base}/api/events", headers={"Last-Event-ID": value})[0] == 400, value
    # An id the log never had (another log's, or made up): the stream starts as a new one.
    stream = Events(port, last_event_id=2**60)
    first = stream.events.wait(lambda event: event["event"] == "state")
    assert stream.events.items[first]["id"] == 4 and stream.calls() == []
    sim.play("call 0299999999")
    assert [call["id"] for call in stream.wait_calls(1)] == [5]
    stream.close()
    everything = Events(port, last_event_id=0)
    assert [call["id"] for call in everything.wait_calls(5)] == [1, 2, 3, 4, 5]
    everything.close()


def test_head_answers_every_path_without_a_body_and_holds_no_stream(board):
    _, port, _, _ = board
    paths = [("/", 200), ("/board.js", 200), ("/api/calls", 200), ("/api/calls.csv", 200),
             ("/api/stats", 200), ("/api/state", 200), ("/api/calls?limit=0", 400),
             ("/nothing", 404)] + [("/api/events", 200)] * 100
    for path, status in paths:
        with contextlib.closing(http.client.HTTPConnection("127.0.0.1", port,
                                                           timeout=TIMEOUT)) as connection:
            connection.request("HEAD", path)
            response = connection.getresponse()
            assert (response.status, response.read()) == (status, b""), path
    # More HEADs of /api/events than streams may be open: none of them held one.
    stream = Events(port)
    stream.events.wait(lambda event: event["event"] == "state")
    stream.close()


def board_on(calls, gateways):
    """A gateway without a terminal serving the board on the log given: its address, its port
    and the gateway."""
    port = free_port()
    gateway = gateways("--device", "1=/nonexistent", "--calls", str(calls), "--http", str(port))
    gateway.expect(event="listening")
    return f"http://127.0.0.1:{port}", port, gateway


def test_a_log_that_cannot_be_read_answers_503_without_its_details_and_the_gateway_tells_why(
        tmp_path, gateways):
    calls = tmp_path / "calls.db"
    write_calls(calls, 4)
    base, port, gateway = board_on(calls, gateways)
    with log_away(calls):
        for path in ["/api/calls", "/api/calls.csv?q=1234", "/api/stats", "/api/state"]:
            status, _, body = get(f"{base}{path}")
            assert (status, json.loads(body)) == (503, {"error": "the call log cannot be read"})
        # A stream that cannot read the calls it missed says so, and waits.
        stream = Events(port, last_event_id=1)
        stream.wait_log(False)
        assert stream.calls() == []
    assert gateway.expect(event="board") == {
        "event": "board", "request": "/api/calls", "error": "unable to open database file",
        "also_failed": 0}
    assert [call["id"] for call in stream.wait_calls(3)] == [2, 3, 4]
    stream.wait_log(True)
    stream.close()
    assert get(f"{base}/api/calls")[0] == 200


def test_an_export_cut_short_by_the_log_ends_alone_and_is_told(tmp_path, gateways):
    calls = tmp_path / "calls.db"
    write_calls(calls, 30000)
    base, port, gateway = board_on(calls, gateways)
    # A small window, so that the gateway cannot write the whole export ahead of the reading.
    sock = socket.socket()
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    sock.settimeout(TIMEOUT)
    sock.connect(("127.0.0.1", port))
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=TIMEOUT)
    connection.sock = sock
    connection.request("GET", "/api/calls.csv")
    response = connection.getresponse()
    assert response.status == 200 and response.read(1000).startswith(b"id,time,")
    with deliveries_away(calls):
        with pytest.raises(http.client.IncompleteRead):
            response.read()
    connection.close()
    told = gateway.expect(event="board", request="/api/calls.csv")
    assert told["error"] == "no such table: deliveries"
    assert get(f"{base}/api/state")[0] == 200 and gateway.proc.poll() is None


def test_the_live_events_go_on_after_the_log_could_not_be_read(tmp_path, sims, gateways):
    sim = sims()
    calls = tmp_path / "calls.db"
    port = free_port()
    gateway = gateways("--device", f"1={sim.path}", "--calls", str(calls), "--http", str(port))
    gateway.connected("terminal")
    stream = Events(port)
    stream.events.wait(lambda event: event["event"] == "state")
    with deliveries_away(calls):
        stream.wait_log(False)
        assert "deliveries" in gateway.expect(event="board", live=False)["reason"]
        sim.play("call 0211111111")
        gateway.expect(event="call")
    stream.wait_log(True)
    assert [call["number"] for call in stream.wait_calls(1)] == ["0211111111"]
    gateway.expect(event="board", live=True)
    # The same stream all along: it never ended.
    assert not stream.events.ended
    stream.close()


def test_headers_keep_the_page_to_its_own_origin(board):
    base, _, _, _ = board
    status, headers, body = get(f"{base}/")
    assert status == 200 and b"<html" in body and headers["Cache-Control"] == "no-cache"
    assert headers["Content-Type"] == "text/html; charset=utf-8"
    assert get(f"{base}/", headers={"If-None-Match": headers["ETag"]})[0] == 304
    for path in ["/", "/api/state", "/nothing"]:
        headers = get(f"{base}{path}")[1]
        assert "script-src 'self'" in headers["Content-Security-Policy"]
        assert "unsafe-inline" not in headers["Content-Security-Policy"]
        assert headers["X-Content-Type-Options"] == "nosniff"
    assert get(f"{base}/api/calls")[1]["Cache-Control"] == "no-store"


def test_state_and_stats(board):
    base, port, sim, _ = board
    stream = Events(port)
    stream.events.wait(lambda event: event["event"] == "state" and event["data"]["ringing"])
    status, state = get_json(f"{base}/api/state")
    assert status == 200 and state["terminal"] == "connected" and state["ringing"]
    assert not state["off_hook"] and state["last_call"]["id"] == 4 and state["outputs"] == {}
    sim.play("hook off")
    stream.events.wait(lambda event: event["event"] == "state" and event["data"]["off_hook"])
    state = get_json(f"{base}/api/state")[1]
    assert state["off_hook"] and not state["ringing"]
    stream.close()

    status, stats = get_json(f"{base}/api/stats")
    today = datetime.datetime.now(zoneinfo.ZoneInfo("Asia/Seoul"))
    assert status == 200 and len(stats["days"]) == 30
    assert stats["days"][-1] == {"date": str(today.date()), "calls": 4}
    assert len(stats["hours"]) == 24 and sum(stats["hours"]) == 4
    assert stats["top"][0]["calls"] == 1 and len(stats["top"]) == 4
    assert [day["date"] for day in get_json(f"{base}/api/stats?days=1")[1]["days"]] == [
        str(today.date())]


def test_every_call_object_carries_its_number_as_shown_beside_its_digits(board):
    base, port, sim, _ = board
    stream = Events(port)
    sim.play("call 114", "call 15881234")
    stream.wait_calls(2)
    shown = {"0212345678": "02-1234-5678", "0311112222": "031-111-2222",
             "01055556666": "010-5555-6666", "0700000000": "070-000-0000", "114": "114",
             "15881234": "1588-1234"}
    calls = get_json(f"{base}/api/calls")[1]
    top = get_json(f"{base}/api/stats")[1]["top"]
    state = get_json(f"{base}/api/state")[1]
    for listed in [calls, top, stream.calls(), [state["last_call"]]]:
        assert {item["number"]: item["number_shown"] for item in listed} == {
            item["number"]: shown[item["number"]] for item in listed}
    assert len(calls) == 6 and len(top) == 6
    # The line's name, for the page's header.
    assert state["line"] == "shop"
    assert stream.events.items[0]["data"]["line"] == "shop"
    stream.close()


def test_state_tells_each_outputs_connection_and_its_waiting_calls(tmp_path, sims, gateways,
                                                                   broker):
    sim = sims()
    port = free_port()
    gateway = gateways("--device", f"1={sim.path}", "--calls", str(tmp_path / "calls.db"),
                       "--http", str(port), "--mqtt", f"127.0.0.1:{broker.port}")
    gateway.expect(event="listening")
    stream = Events(port)
    gateway.connected("mqtt")
    stream.events.wait(lambda event: event["event"] == "state" and
                       event["data"]["outputs"]["mqtt"]["connected"])
    broker.stop()
    gateway.expect(event="connection", peer="mqtt", state="disconnected")
    sim.play("call 0211111111")
    stream.events.wait(lambda event: event["event"] == "state" and
                       event["data"]["outputs"]["mqtt"] == {"connected": False, "waiting": 1})
    call = stream.calls()[0]
    assert call["deliveries"] == {"mqtt": None}
    stream.close()


def test_events_come_in_order_and_a_reconnection_gets_what_it_missed(tmp_path, sims, gateways):
    sim = sims()
    calls = tmp_path / "calls.db"
    port = free_port()
    options = ("--device", f"1={sim.path}", "--calls", str(calls), "--http", str(port))
    gateway = gateways(*options)
    gateway.connected("terminal")
    stream = Events(port)
    first = stream.events.wait(lambda event: event["event"] == "state")
    assert stream.events.items[first]["id"] == 0
    sim.play("call 0211111111", "call 0222222222", "call 0233333333")
    assert [call["id"] for call in stream.wait_calls(3)] == [1, 2, 3]
    # Each state names the last call sent before it; one before any call (the terminal's
    # connection, when the stream joined before the board heard of it) names none.
    assert all(event["id"] == (event["data"]["last_call"] or {"id": 0})["id"]
               for event in stream.events.items[first + 1:] if event["event"] == "state")
    last_seen = stream.events.items[-1]["id"]
    stream.close()

    # The gateway restarts; calls arrive while the browser is away.
    assert gateway.stop()[0] == 0
    gateway = gateways(*options)
    gateway.connected("terminal")
    sim.play("call 0244444444", "call 0255555555")
    gateway.expect(event="call")
    gateway.expect(event="call")
    again = Events(port, last_event_id=last_seen)
    sim.play("call 0266666666")
    assert [call["number"] for call in again.wait_calls(3)] == [
        "0244444444", "0255555555", "0266666666"]
    assert [call["id"] for call in again.calls()] == [4, 5, 6]
    again.close()


def test_a_password_file_guards_every_answer(tmp_path, sims, gateways):
    sim = sims()
    password = tmp_path / "password"
    password.write_text("s3cret\n")
    port = free_port()
    gateway = gateways("--device", f"1={sim.path}", "--calls", str(tmp_path / "calls.db"),
                       "--http", f"127.0.0.1:{port}", "--http-password-file", str(password))
    gateway.expect(event="listening")
    for path in ["/", "/api/calls", "/api/events", "/nothing"]:
        status, headers, _ = get(f"http://127.0.0.1:{port}{path}")
        assert status == 401 and headers["WWW-Authenticate"].startswith("Basic"), path
        assert get(f"http://127.0.0.1:{port}{path}", password="wrong")[0] == 401
    assert get(f"http://127.0.0.1:{port}/api/calls", password="s3cret")[0] == 200


def test_serves_https_with_the_certificate_given(tmp_path, sims, gateways):
    sim = sims()
    cert, key = tmp_path / "cert.pem", tmp_path / "key.pem"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                    "-keyout", str(key), "-out", str(cert), "-subj", "/CN=127.0.0.1",
                    "-addext", "subjectAltName=IP:127.0.0.1"], check=True, capture_output=True)
    port = free_port()
    gateway = gateways("--device", f"1={sim.path}", "--calls", str(tmp_path / "calls.db"),
                       "--http", str(port), "--http-cert", str(cert), "--http-key", str(key))
    assert gateway.expect(event="listening")["url"] == f"https://127.0.0.1:{port}/"
    status, calls = get_json(f"https://127.0.0.1:{port}/api/calls", cafile=str(cert))
    assert status == 200 and calls == []


@pytest.mark.parametrize("options, reason", [
    (["--http", "0.0.0.0:{port}"], "--http-password-file"),
    (["--http", "[::]:{port}", "--http-password-file", "{password}"], "--http-insecure"),
    (["--http", "{port}", "--http-cert", "{password}"], "--http-key"),
    (["--http", "myhost:{port}"], "no IP address"),
    (["--http-password-file", "{password}"], "need --http"),
])
def test_refuses_a_board_open_beyond_this_machine_without_password_and_tls(tmp_path, options,
                                                                           reason):
    password = tmp_path / "password"
    password.write_text("s3cret\n")
    values = {"port": free_port(), "password": password}
    done = subprocess.run([VELKO, "gateway", "--device", "1=/nonexistent", "--calls",
                           str(tmp_path / "calls.db"), *[o.format(**values) for o in options]],
                          capture_output=True, timeout=10)
    assert done.returncode != 0 and reason in done.stderr.decode()


def test_listens_beyond_this_machine_when_told_plain_http_is_meant(tmp_path, gateways):
    password = tmp_path / "password"
    password.write_text("s3cret\n")
    port = free_port()
    gateway = gateways("--device", "1=/nonexistent", "--calls", str(tmp_path / "calls.db"),
                       "--http", f"0.0.0.0:{port}", "--http-password-file", str(password),
                       "--http-insecure")
    assert gateway.expect(event="listening")["url"] == f"http://0.0.0.0:{port}/"
    assert get(f"http://127.0.0.1:{port}/api/state", password="s3cret")[0] == 200


def test_finds_the_calls_of_a_log_written_before_the_search_index(tmp_path, gateways):
    calls = tmp_path / "calls.db"
    with sqlite3.connect(calls) as db:
        db.executescript(call_log_schema())
        db.execute("INSERT INTO calls (received, line, state, month, day, hour, minute, number, "
                   "name, \"group\", type) VALUES ('2026-03-05T00:07:00.000Z', 'shop', 1, 3, 5, "
                   "9, 7, '0212345678', '홍길동', 2, 'NORMAL')")
    port = free_port()
    gateway = gateways("--device", "1=/nonexistent", "--calls", str(calls), "--http", str(port))
    gateway.expect(event="listening")
    assert numbers(f"http://127.0.0.1:{port}/api/calls?q=2345") == ["0212345678"]


def test_refuses_to_start_when_its_port_is_taken(tmp_path):
    with socket.socket() as taken:
        taken.bind(("127.0.0.1", 0))
        taken.listen()
        done = subprocess.run([VELKO, "gateway", "--device", "1=/nonexistent", "--calls",
                               str(tmp_path / "calls.db"), "--http",
                               str(taken.getsockname()[1])], capture_output=True, timeout=10)
    assert done.returncode == 1 and "cannot listen" in done.stderr.decode()
