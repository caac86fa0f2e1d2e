"""A desk: a port mapped to a gateway's share (`--device 3=URL`), against a stand-in gateway
(share_server.py) over HTTPS with a pinned self-signed certificate, or over HTTP on loopback. The
port behaves as a local one: the same events for the same text, SendCmd acknowledged through the
stream, the usual open failures with the gateway's reasons, and a gateway that goes away is a
device that goes away and comes back by itself."""

import signal
import time

import pytest
from conftest import TIMEOUT, VELKO, Deadline, report
from share_server import PASSWORD, ShareServer, SilentServer, make_certificate

# velko.exe under Wine, whose shares tests/win/wine-velko maps with velko.exe desk.
WINDOWS = VELKO.endswith("wine-velko")
OPEN_FAILED = "포트열기실패:"
GONE = "포트장치사라짐:"
BACK = "포트장치복귀:"
NO_ACK = "VELKO 단말기와 통신이 안됨"
CALL = report(b"D", b"Time:03050907", b"Number:0212345678", "Name:홍길동".encode("cp949"),
              b"Group:2", b"Type:S")


@pytest.fixture(scope="module")
def certificates(tmp_path_factory):
    """The gateway's certificate and key and its fingerprint, and another certificate's."""
    folder = tmp_path_factory.mktemp("certificates")
    cert, key, fingerprint = make_certificate(folder)
    other = make_certificate(folder, "other")[2]
    return (cert, key), fingerprint, other


@pytest.fixture
def password_file(tmp_path):
    path = tmp_path / "desk-password"
    path.write_text(PASSWORD + "\n")
    return path


@pytest.fixture
def gateways(certificates):
    """A factory of stand-in gateways over HTTPS (http=True: HTTP), stopped with the test."""
    made = []

    def start(http=False, **options):
        made.append(ShareServer(None if http else certificates[0], **options))
        return made[-1]

    yield start
    for server in made:
        server.stop()


PINNED = "pinned"


@pytest.fixture
def desk(shell_factory, certificates, password_file):
    """A factory of shells with port 3 mapped to the gateway (or to another URL), its certificate
    pinned (or another fingerprint, or none)."""

    def start(gateway, fingerprint=PINNED, url=None):
        url = url or gateway.url
        options = ["--share-password-file", str(password_file)]
        if url.startswith("https") and fingerprint:
            options += ["--share-fingerprint",
                        certificates[1] if fingerprint == PINNED else fingerprint]
        return shell_factory({3: url}, *options)

    return start


def opened_desk(desk, gateway, **options):
    shell = desk(gateway, **options)
    assert shell.call('OpenVelko COM3 ""')["result"] == 0
    gateway.wait_for_desks(1)
    return shell


def events_for(shell, send, text):
    """Sends text from the terminal's side and returns every event it caused, in order."""
    send(text)
    events, echoed = [], ""
    while echoed != text:
        assert text.startswith(echoed), f"echoed {echoed!r}, sent {text!r}"
        events.append(shell.take(lambda o: "event" in o))
        if events[-1]["event"] == "ReceiveReal":
            echoed += events[-1]["str"]
    return events + shell.events_until_sync()


def debug_messages(shell, prefix):
    return [o["str"] for o in shell.events_until_sync()
            if o.get("event") == "DebugMsg" and o["str"].startswith(prefix)]


def wait_for_debug_message(shell, prefix, seconds=None):
    return shell.take(lambda o: o.get("event") == "DebugMsg" and o["str"].startswith(prefix),
                      seconds)["str"]


def test_a_report_raises_the_events_it_raises_on_a_local_port(opened, terminal, desk, gateways):
    text = CALL.decode("cp949")
    local = events_for(opened, lambda t: terminal.send(t.encode("cp949")), text)
    gateway = gateways()
    shared = events_for(opened_desk(desk, gateway), gateway.send_text, text)
    assert shared == local
    assert any(e["event"] == "ReceiveCallByString" for e in shared)


def test_sendcmd_is_acknowledged_through_the_stream_and_its_frame_reaches_the_gateway(
        desk, gateways):
    gateway = gateways()
    shell = opened_desk(desk, gateway)
    sent = shell.call("SendCmd 68 12-25 09:30")
    assert sent == {"call": "SendCmd", "result": True, "args": [68, "1225", "0930"]}
    writes = gateway.wait_for_writes(2)
    assert [text for _, text, _ in writes] == ["[", "D\r1225\r0930\r]"]
    assert {(desk_id, wait) for desk_id, _, wait in writes} == {(next(iter(gateway.desks)), 5500)}
    # Characters the terminal's code page lacks are counted by the gateway and told as usual.
    shell.call('TxData "x😀y"')
    assert wait_for_debug_message(shell, "?로바뀐문자수:") == "?로바뀐문자수:1"


def test_sendcmd_to_a_gateway_whose_terminal_never_answers_fails_after_the_usual_wait(
        desk, gateways):
    shell = opened_desk(desk, gateways(acknowledge=False))
    started = time.monotonic()
    assert shell.call("SendCmd 100", seconds=TIMEOUT + 10)["result"] is False
    assert 5.0 <= time.monotonic() - started < 7.5
    assert shell.call("GetCurrentErrorMsg")["result"] == NO_ACK


def test_a_stop_ends_a_sendcmd_that_waits_for_the_gateway_within_a_second(desk, gateways):
    gateway = gateways(acknowledge=False)
    shell = opened_desk(desk, gateway)
    shell.send("SendCmd 100")
    gateway.wait_for_writes(1)
    started = time.monotonic()
    shell.signal(signal.SIGTERM)
    status = shell.proc.wait(Deadline().left())
    assert time.monotonic() - started < 1.0
    assert status in (128 + signal.SIGTERM, 130)  # 130: velko.exe under Wine, as for Ctrl-C


@pytest.mark.parametrize("scheme", ["https", "http"])
def test_a_stop_ends_an_opening_that_waits_for_a_silent_gateway_within_a_second(
        desk, scheme):
    silent = SilentServer()
    try:
        shell = desk(None, url=f"{scheme}://127.0.0.1:{silent.port}")
        shell.send('OpenVelko COM3 ""')
        assert silent.accepted.wait(TIMEOUT)
        started = time.monotonic()
        shell.signal(signal.SIGTERM)
        status = shell.proc.wait(Deadline().left())
        assert time.monotonic() - started < 1.0
        assert status in (128 + signal.SIGTERM, 130)
    finally:
        silent.stop()


@pytest.mark.parametrize("case, reason", [
    ("password", "wrong password"),
    ("fingerprint", "the certificate's fingerprint does not match"),
    ("no share", "the gateway has no share"),
    ("terminal", "the gateway's terminal is not connected"),
    ("down", "the gateway cannot be reached: "),
    # Without a pinned fingerprint the usual chain check applies, and the gateway's own
    # certificate is signed by no one the system trusts.
    ("untrusted", "the certificate is not trusted: "),
])
def test_a_gateway_that_refuses_or_cannot_be_reached_fails_the_opening_with_the_reason(
        desk, gateways, certificates, password_file, case, reason):
    gateway = gateways(terminal=case != "terminal", share=case != "no share")
    fingerprint = {"fingerprint": certificates[2], "untrusted": None}.get(case, PINNED)
    if case == "password":
        password_file.write_text("not the password\n")
    elif case == "down":
        gateway.stop()
    shell = desk(gateway, fingerprint)
    failed = shell.call('OpenVelko COM3 ""', seconds=TIMEOUT + 6)
    assert failed == {"call": "OpenVelko", "result": 2, "args": ["COM3", "COM3 open error"]}
    failures = debug_messages(shell, OPEN_FAILED)
    assert len(failures) == 1 and failures[0].startswith(f"{OPEN_FAILED}{gateway.url}: {reason}")
    if not reason.endswith(": "):
        assert failures[0] == f"{OPEN_FAILED}{gateway.url}: {reason}"
    assert shell.call("ComPortStateGet")["result"] is False
    shell.finish()
    notice = f"velko: cannot open {failures[0][len(OPEN_FAILED):]}"
    assert notice in shell.proc.stderr.read().decode().splitlines()
    # The password goes only to a gateway that showed the pinned certificate.
    if case == "fingerprint":
        assert not any(given and PASSWORD in given or given and given.startswith("Basic")
                       for given in gateway.authorizations)


def test_a_gateway_that_cannot_be_reached_is_named_with_its_address(desk, gateways):
    gateway = gateways()
    gateway.stop()
    shell = desk(gateway)
    shell.call('OpenVelko COM3 ""')
    assert debug_messages(shell, OPEN_FAILED)[0].endswith(
        f": connection refused 127.0.0.1:{gateway.port}")


def test_a_gateway_that_goes_away_is_a_device_gone_that_comes_back_with_the_calls_meanwhile(
        desk, gateways):
    gateway = gateways(calls=40)
    shell = opened_desk(desk, gateway)
    gateway.send_event("calls", {"calls": 41})
    gateway.stop()
    gone = wait_for_debug_message(shell, GONE)
    assert gone.startswith(f"{GONE}{gateway.url}: ")
    assert shell.call("ComPortStateGet")["result"] is False
    assert shell.call("SendCmd 100")["result"] is False
    returned = time.monotonic()
    gateway.come_back(calls=44)
    back = wait_for_debug_message(shell, BACK)
    assert time.monotonic() - returned < 1.0
    assert back == f"{BACK}{gateway.url}: 3 calls came meanwhile"
    assert shell.call("ComPortStateGet")["result"] is True
    gateway.wait_for_desks(1)
    assert any(e["event"] == "HookEvent"
               for e in events_for(shell, gateway.send_text, report(b"B").decode()))
    shell.finish()
    errors = shell.proc.stderr.read().decode().splitlines()
    assert f"velko: device gone: {gone[len(GONE):]}" in errors
    assert f"velko: device back: {gateway.url}: 3 calls came meanwhile" in errors


def test_closing_a_port_whose_gateway_went_away_stops_its_coming_back(desk, gateways):
    gateway = gateways()
    shell = opened_desk(desk, gateway)
    gateway.stop()
    wait_for_debug_message(shell, GONE)
    shell.call('CloseVelko "" ""')
    requests = len(gateway.authorizations)
    gateway.come_back()
    assert not gateway.wait_for(lambda: len(gateway.authorizations) > requests, 1.5)
    assert debug_messages(shell, BACK) == []


def test_the_monitor_with_reopen_watches_a_gateway_again_once_it_is_back(
        tool_factory, gateways, certificates, password_file):
    gateway = gateways()
    monitor = tool_factory("monitor", "--reopen", "--device", f"3={gateway.url}",
                           "--share-password-file", str(password_file),
                           "--share-fingerprint", certificates[1])
    deadline = Deadline()
    assert monitor.read_line(deadline) == 'OpenVelko("COM3", "") -> 0'
    gateway.wait_for_desks(1)
    gateway.stop()
    gateway.come_back()
    # The port connects again by itself, unless the monitor's own attempt to open it comes
    # first; a report sent to a connection the other one replaced is sent again.
    shown = []
    while "event HookEvent off-hook" not in shown:
        gateway.wait_for_desks(1)
        gateway.send_text(report(b"B").decode())
        try:
            shown.append(monitor.read_line(Deadline(0.5)))
        except AssertionError:
            assert not deadline.passed()
    assert set(shown) <= {'OpenVelko("COM3", "") -> 0', "event HookEvent off-hook"}
    monitor.signal(signal.SIGINT)
    assert monitor.proc.wait(deadline.left()) == 0
    errors = monitor.proc.stderr.read().decode()
    assert errors.count("monitoring COM3; Ctrl-C ends") == 2
    assert "velko: waiting for COM3 to come back" in errors


@pytest.mark.skipif(WINDOWS, reason="velko.exe maps ports with velko.exe desk")
@pytest.mark.parametrize("arguments, complaint", [
    (["--device", "3=http://10.0.0.5:8080"],
     "http:// is for a gateway on this computer only: use https://"),
    (["--device", "3=https://gw.example:8443/share"],
     "expected http://HOST:PORT or https://HOST:PORT"),
    (["--device", "3=https://gw.example:8443"],
     "a port mapped to a gateway needs --share-password-file"),
    (["--device", "3=https://gw.example:8443", "--share-password-file", "/no/such/file"],
     "cannot read /no/such/file: No such file or directory"),
    (["--device", "3=https://gw.example:8443", "--share-password-file", "{password}",
      "--share-fingerprint", "AB:CD"], "expected the certificate's SHA-256"),
])
def test_a_share_the_command_line_maps_wrongly_is_refused_with_what_is_wrong(
        tool_factory, password_file, arguments, complaint):
    arguments = [a.replace("{password}", str(password_file)) for a in arguments]
    shell = tool_factory("shell", *arguments)
    status = shell.proc.wait(TIMEOUT)
    assert 100 <= status <= 127
    assert complaint in shell.proc.stderr.read().decode()
