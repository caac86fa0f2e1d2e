"""The board's server (`velko gateway --http`) against hostile and careless clients: requests that
would grow it without a bound, slow clients, pages of other sites that reach it under a rebound
name, and a stop while browsers hold it in every way they can."""

import json
import os
import re
import socket
import time
from pathlib import Path

import pytest
from board_attacks import SlowClients, answer_status, flood, floods
from board_support import PASSWORD, Board, Events, basic_authorization, connect, get
from gateway_support import free_port

# What the gateway's resident memory may grow under one attack, in kB.
MEMORY_GROWTH_KB = 6 * 1024


def memory_kb(pid):
    """(resident, peak resident) memory of the process, in kB."""
    fields = dict(line.split(":", 1) for line in Path(f"/proc/{pid}/status").read_text()
                  .splitlines())
    return int(fields["VmRSS"].split()[0]), int(fields["VmHWM"].split()[0])


def threads(pid):
    return len(os.listdir(f"/proc/{pid}/task"))


@pytest.fixture(params=["http", "https with a password"])
def exposed(request, tmp_path, gateways):
    return Board(tmp_path, gateways, https=request.param != "http")


def test_no_request_grows_the_gateway_and_it_answers_after_each(exposed):
    assert exposed.get("/api/state")[0] == 200
    start, _ = memory_kb(exposed.pid)
    for name, (first, filler, most, statuses) in floods(exposed.password).items():
        with exposed.connect() as sock:
            status = flood(sock, first, filler, most)
        assert status in statuses | {None}, name
        resident, peak = memory_kb(exposed.pid)
        print(f"{name}: answered {status}, resident {resident} kB, peak {peak} kB "
              f"(from {start} kB)")
        assert peak - start < MEMORY_GROWTH_KB, name
        assert exposed.get("/api/state")[0] == 200, name


def statuses_until(sock, received, enough):
    """What the connection received, with what came before, once enough(its answers' statuses)
    holds or the board closed it; and those statuses."""
    while True:
        statuses = re.findall(r"HTTP/1\.1 (\d{3}) ", received.decode(errors="replace"))
        if enough(statuses):
            return received, statuses
        chunk = sock.recv(65536)
        if not chunk:
            return received, statuses
        received += chunk


def test_answers_requests_sent_together_in_order_on_one_connection(exposed):
    authorization = (f"Authorization: {basic_authorization(exposed.password)}\r\n"
                     if exposed.password else "")
    requests = [f"GET /api/state HTTP/1.1\r\nHost: 127.0.0.1\r\n{authorization}\r\n",
                # A header line ended by LF alone: the HTTP library skips it, and the head
                # still ends at the next line that is CR LF alone.
                f"GET /nothing HTTP/1.1\r\nHost: localhost\r\n{authorization}X-Odd: y\n\r\n",
                "GET /api/state HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n",
                f"GET /api/calls?limit=1 HTTP/1.1\r\nHost: 127.0.0.1\r\n{authorization}"
                "Connection: close\r\n\r\n"]
    with exposed.connect() as sock:
        sock.sendall("".join(requests[:3]).encode())
        received, _ = statuses_until(sock, b"", lambda statuses: len(statuses) == 3)
        # The connection waits for its next request again.
        sock.sendall(requests[3].encode())
        _, statuses = statuses_until(sock, received, lambda _: False)
    assert statuses == ["200", "404", "401" if exposed.password else "200", "200"]


@pytest.mark.parametrize("sources", [["127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5"],
                                     ["127.0.0.1"]], ids=["four addresses", "the browser's own"])
def test_slow_clients_hold_no_thread_and_keep_no_browser_waiting(tmp_path, gateways, sources):
    board = Board(tmp_path, gateways)
    slow = SlowClients(board.port, 200, sources)
    try:
        slow.watch(0.5)
        slow.tick()
        started = time.monotonic()
        status = board.get("/api/state")[0]
        took = time.monotonic() - started
        busy_threads = threads(board.pid)
        print(f"200 slow clients from {len(sources)} address(es): a GET answered in "
              f"{took * 1000:.1f} ms, the gateway has {busy_threads} threads, "
              f"{len(slow.closed)} slow connections closed already")
        assert status == 200 and took < 2.0
        assert busy_threads <= 12
        # The head must be whole within 5 s of its first byte.
        slow.run_until_closed(9)
        assert not slow.open
        assert max(slow.closed[sock] - slow.first_byte[sock] for sock in slow.closed) < 6.5
    finally:
        slow.close()


def test_without_a_password_only_this_machines_names_reach_the_board(tmp_path, gateways):
    board = Board(tmp_path, gateways)
    for host in ["evil.example", f"evil.example:{board.port}", "127.0.0.1.evil.example",
                 "localhost.evil.example:80", "10.0.0.1"]:
        for path in ["/", "/api/calls", "/api/events"]:
            status, headers, body = board.get(path, headers={"Host": host})
            assert status == 421 and set(json.loads(body)) == {"error"}, (host, path)
            assert headers["Cache-Control"] == "no-store"
    for host in ["localhost", f"localhost:{board.port}", "board.localhost", "127.0.0.1",
                 f"127.0.0.1:{board.port}", f"[::1]:{board.port}", "127.0.0.2"]:
        assert board.get("/api/state", headers={"Host": host})[0] == 200, host


def test_with_a_password_any_host_is_answered_to_who_gives_it(tmp_path, gateways):
    password = tmp_path / "password"
    password.write_text(PASSWORD + "\n")
    port = free_port()
    gateway = gateways("--device", "1=/nonexistent", "--calls", str(tmp_path / "calls.db"),
                       "--http", str(port), "--http-password-file", str(password))
    gateway.expect(event="listening")
    url = f"http://127.0.0.1:{port}/api/state"
    assert get(url, password=PASSWORD, headers={"Host": "evil.example"})[0] == 200
    assert get(url, headers={"Host": "evil.example"})[0] == 401


def stalled_reader(board):
    """A connection whose answer (a CSV bigger than every buffer between them) the board is
    writing, and which reads no more once its first bytes came."""
    sock = board.connect(receive_buffer=4096)
    authorization = ([f"Authorization: {basic_authorization(board.password)}"]
                     if board.password else [])
    sock.sendall("".join(line + "\r\n" for line in [
        "GET /api/calls.csv HTTP/1.1", "Host: 127.0.0.1", *authorization, ""]).encode())
    assert sock.recv(1, socket.MSG_PEEK if board.context is None else 0)
    return sock


@pytest.mark.parametrize("https", [False, True], ids=["http", "https with a password"])
def test_stops_within_a_second_whatever_the_browsers_do(tmp_path, gateways, https):
    board = Board(tmp_path, gateways, https=https, calls=20_000)
    held = []
    streams = [Events(board.port, context=board.context, password=board.password)
               for _ in range(50)]
    for stream in streams:
        stream.events.wait(lambda event: event["event"] == "state")
    held.append(stalled_reader(board))
    # A head begun and never ended; a body announced and never sent; a connection kept alive.
    held.append(board.connect())
    held[-1].sendall(b"GET /api/state HT")
    held.append(board.connect())
    authorization = basic_authorization(board.password) if board.password else ""
    held[-1].sendall(f"POST /api/calls HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: "
                     f"{authorization}\r\nContent-Length: 100\r\n\r\n0123456789".encode())
    held.append(board.connect())
    held[-1].sendall(b"GET /api/state HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
    assert answer_status(held[-1], 10) in (200, 401)
    if https:
        # A TLS handshake begun and never finished.
        held.append(board.connect(handshake=False))
        held.append(connect(board.port))
        held[-1].sendall(b"\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03")
    status, seconds = board.gateway.stop()
    print(f"stopped in {seconds:.3f} s")
    assert (status, seconds < 1.0) == (0, True), seconds
    for stream in streams:
        stream.close()
    for sock in held:
        sock.close()
