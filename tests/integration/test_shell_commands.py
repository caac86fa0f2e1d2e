"""SendCmd over a real pseudo-terminal, with the test as the terminal: the parameter tests, the
"[" and "ACK" exchange, and the exact bytes of every command body."""

import time

import pytest

from conftest import cp949

NOT_OPEN = "통신 포트가 OPEN 되지 않았습니다."
DATE_MESSAGE = "날짜 형식이 맞지 않음(형식 MM-DD), 입력값="
TIME_MESSAGE = "시간 형식이 맞지 않음(형식 HH:MM), 입력값="
MELODY_MESSAGE = "알람 멜로디 번호가 1~6 범위 내에 있지 않습니다."
NO_ANSWER = "VELKO 단말기와 통신이 안됨"


def area_message(code):
    return f"지역번호가 잘못 입력되었습니다. 입력된 지역번호는 {code} 입니다."


def acknowledged(shell, terminal, line):
    """Sends a command that the terminal acknowledges; returns the call and the body sent after
    the acknowledgement."""
    before = len(terminal.received)
    shell.send(line)
    terminal.expect(b"[")
    terminal.send(b"ACK\r\n")
    sent = shell.take(lambda o: "call" in o)
    terminal.expect(b"]")
    assert terminal.received[before:before + 1] == b"["
    return sent, terminal.received[before + 1:]


@pytest.mark.parametrize(
    "line, args, body",
    [
        ("SendCmd 68 12-25 09:30", [68, "1225", "0930"], b"D\r1225\r0930\r]"),
        ('SendCmd 68 ab-cd xy:zw "p 3"', [68, "abcd", "xyzw", "p 3"], b"D\rabcd\rxyzw\rp 3\r]"),
        ("SendCmd 69 09:30 two three", [69, "0930", "two", "three"], b"E\r0930\rtwo\rthree\r]"),
        ("SendCmd 70 1", [70, "1"], b"F\r1\r]"),
        ("SendCmd 70 6", [70, "6"], b"F\r6\r]"),
        ("SendCmd 70 2.5", [70, "2.5"], b"F\r2.5\r]"),
        ("SendCmd 70 5x", [70, "5x"], b"F\r5x\r]"),
        ("SendCmd 71 02", [71, "0"], b"G\r0\r]"),
        ("SendCmd 71 031 x", [71, "1", "x"], b"G\r1\rx\r]"),
        ("SendCmd 71 055", [71, "b"], b"G\rb\r]"),
        ("SendCmd 71 064", [71, "f"], b"G\rf\r]"),
        ("SendCmd 100", [100], b"d\r]"),
        ("SendCmd 97 a b c", [97, "a", "b", "c"], b"a\ra\rb\rc\r]"),
        ('SendCmd 100 "" second', [100, "", "second"], b"d\rsecond\r]"),
        ('SendCmd 100 "" "" ""', [100, "", "", ""], b"d\r]"),
        ("SendCmd 100 홍길동", [100, "홍길동"], b"d\r" + cp949("홍길동") + b"\r]"),
    ],
)
def test_an_acknowledged_command_sends_its_body(terminal, opened, line, args, body):
    sent, on_line = acknowledged(opened, terminal, line)
    assert sent == {"call": "SendCmd", "result": True, "args": args}
    assert on_line == body
    # A command that is sent leaves no message behind (code 70 included).
    assert opened.call("GetCurrentErrorMsg")["result"] == ""


def test_a_closed_port_refuses_every_command_before_its_tests(shell_factory):
    shell = shell_factory()
    for line, args in [("SendCmd 68 12-25 09:30", [68, "12-25", "09:30"]),
                       ("SendCmd 71 zz", [71, "zz"]), ("SendCmd 100", [100])]:
        assert shell.call(line) == {"call": "SendCmd", "result": False, "args": args}
        assert shell.call("GetCurrentErrorMsg")["result"] == NOT_OPEN


@pytest.mark.parametrize(
    "line, message",
    [
        ("SendCmd 68 12/25 0930", DATE_MESSAGE + "12/25\r\n" + TIME_MESSAGE + "0930"),
        ("SendCmd 68 1225 09:30", DATE_MESSAGE + "1225"),
        ("SendCmd 68 12-25 9:30", TIME_MESSAGE + "9:30"),
        ("SendCmd 68", DATE_MESSAGE + "\r\n" + TIME_MESSAGE),
        ("SendCmd 69 09-30", TIME_MESSAGE + "09-30"),
        ("SendCmd 69 two 09:30", TIME_MESSAGE + "two"),
        ("SendCmd 71 31", area_message("31")),
        ('SendCmd 71 ""', area_message("")),
    ],
)
def test_a_command_that_fails_its_test_touches_nothing(terminal, opened, line, message):
    # An older unread message is replaced, never joined.
    assert opened.call("SendCmd 71 99")["result"] is False
    failed = opened.call(line)
    assert failed["result"] is False
    assert opened.call("GetCurrentErrorMsg")["result"] == message
    assert opened.call("GetCurrentErrorMsg")["result"] == ""
    assert terminal.quiet_for(0.1) == b""


def test_the_melody_number_is_shown_before_its_test(terminal, opened):
    for melody in ("0", "7", "6.5", '""'):
        assert opened.call(f"SendCmd 70 {melody}")["result"] is False
        shown = opened.events_until_sync()
        assert shown == [{"event": "DebugMsg", "str": "멜로디 번호:" + melody.strip('"')}]
        assert opened.call("GetCurrentErrorMsg")["result"] == MELODY_MESSAGE
    assert terminal.quiet_for(0.1) == b""


def test_rewritten_values_fail_the_next_date_test(terminal, opened):
    sent, _ = acknowledged(opened, terminal, "SendCmd 68 12-25 09:30")
    assert sent["result"] is True
    again = opened.call('SendCmd 68 "1225" "0930"')
    assert again["result"] is False
    assert opened.call("GetCurrentErrorMsg")["result"].startswith(DATE_MESSAGE + "1225")


def test_only_an_acknowledgement_that_arrives_during_the_wait_counts(terminal, opened):
    opened.feed(terminal, b"ACK\r\n")  # left in the buffer before the command
    opened.send("SendCmd 100")
    terminal.expect(b"[")
    terminal.send(b"AC")  # an acknowledgement split over two reads
    assert terminal.quiet_for(0.3) == b"["
    terminal.send(b"K\r\n")
    terminal.expect(b"[d\r]")
    assert opened.take(lambda o: "call" in o)["result"] is True


def test_a_terminal_that_never_acknowledges(terminal, opened):
    started = time.monotonic()
    opened.send("SendCmd 68 12-25 09:30")
    terminal.expect(b"[")
    terminal.send(b"NAK\r\n")  # a reply without "ACK" does not end the wait
    failed = opened.take(lambda o: "call" in o, seconds=15)
    waited = time.monotonic() - started
    assert failed == {"call": "SendCmd", "result": False, "args": [68, "1225", "0930"]}
    assert 5.0 <= waited < 8.0
    assert opened.call("GetCurrentErrorMsg")["result"] == NO_ANSWER
    # A late acknowledgement does not release the body.
    terminal.send(b"ACK\r\n")
    opened.event("ReceiveReal")
    assert terminal.quiet_for(0.3) == b"["
