"""Port management through `velko shell --json`: names, results, messages and raw writes."""

import os

import pytest

from conftest import cp949, locked_by_another_program

ALREADY_OPEN = "이 이미 열려 있슴"
OPEN_FAILED = "포트열기실패:"


def test_the_characters_after_the_third_give_the_port_number(terminals, shell_factory):
    lines = {number: terminals() for number in (1, 2, 4, 12)}
    shell = shell_factory({n: line.path for n, line in lines.items()})
    # Halves go to the even neighbour: 2.5 is port 2, 3.5 is port 4.
    for name, number in [("COM1", 1), ("com12", 12), ("XYZ4", 4), ("COM2.5", 2), ("COM3.5", 4)]:
        opened = shell.call(f'OpenVelko {name} ""')
        assert opened == {"call": "OpenVelko", "result": 0, "args": [name, ""]}, name
        assert shell.call("ComPortStateGet")["result"] is True
        assert shell.call(f'TxData "to {name}"')["result"] is None
        lines[number].expect(f"to {name}".encode())
        assert shell.call('CloseVelko "" ""')["result"] == 0
        assert shell.call("ComPortStateGet")["result"] is False


@pytest.mark.parametrize("name", ["CO", "COM", "COM99999", "COM-1", ""])
def test_a_name_without_an_openable_port_fails_with_its_message_once(shell_factory, name):
    shell = shell_factory()
    failed = shell.call(f'OpenVelko "{name}" "kept?"')
    assert failed == {"call": "OpenVelko", "result": 2, "args": [name, f"{name} open error"]}
    assert shell.call("GetCurrentErrorMsg")["result"] == f"{name} open error"
    assert shell.call("GetCurrentErrorMsg")["result"] == ""


def test_a_missing_device_and_a_device_another_program_holds_fail_with_reasons(
        terminal, shell_factory):
    shell = shell_factory({3: terminal.path, 5: "/dev/no-such-device"})
    assert shell.call('OpenVelko COM5 ""')["args"] == ["COM5", "COM5 open error"]
    holder = locked_by_another_program(terminal.path)
    try:
        assert shell.call('OpenVelko COM3 ""')["args"] == ["COM3", "COM3 open error"]
    finally:
        os.close(holder)
    assert shell.call('OpenVelko COM3 ""')["result"] == 0
    # Each failure names the device (its path, or its port under Windows) and the reason.
    reasons = [o["str"] for o in shell.events_until_sync() if o["event"] == "DebugMsg"]
    assert len(reasons) == 2 and all(r.startswith(OPEN_FAILED) for r in reasons)
    assert reasons[0].startswith((f"{OPEN_FAILED}/dev/no-such-device: ", f"{OPEN_FAILED}COM5: "))
    assert reasons[1] in (f"{OPEN_FAILED}{terminal.path}: held by process {os.getpid()}",
                          f"{OPEN_FAILED}COM3: held by another program")
    shell.finish()
    notices = shell.proc.stderr.read().decode().splitlines()
    assert notices == [f"velko: cannot open {r[len(OPEN_FAILED):]}" for r in reasons]


def test_an_open_port_is_reported_and_left_as_it_is(terminal, opened):
    assert opened.call('OpenVelko CO ""')["result"] == 2  # the name is read first
    assert opened.call("GetCurrentErrorMsg")["result"] == "CO open error"
    assert opened.call('OpenVelko CO ""')["result"] == 2
    again = opened.call('OpenVelko COM5 "before"')
    assert again == {"call": "OpenVelko", "result": 1, "args": ["COM5", "COM5" + ALREADY_OPEN]}
    # Neither the success nor the open port touches the stored message.
    assert opened.call("GetCurrentErrorMsg")["result"] == "CO open error"
    assert opened.call("GetCurrentErrorMsg")["result"] == ""
    opened.call('TxData "still port 3"')
    terminal.expect(b"still port 3")


def test_close_and_event_test_accept_anything_and_touch_nothing(opened):
    for state in ("open", "closed"):
        assert opened.call(f"EventTest {state}") == {
            "call": "EventTest", "result": None, "args": [state]}
        assert opened.events_until_sync() == []
        closed = opened.call('CloseVelko "x" "y"')
        assert closed == {"call": "CloseVelko", "result": 0, "args": ["x", "y"]}
        assert opened.call("ComPortStateGet")["result"] is False
    assert opened.call('OpenVelko COM3 ""')["result"] == 0


def test_tx_data_writes_cp949_text_unchanged(terminal, opened):
    assert opened.call('TxData "홍길동"')["args"] == ["홍길동"]
    terminal.expect(cp949("홍길동"))
    opened.call(r'TxData "\uD64D\r\n\t\"\\\x41 end"')
    terminal.expect(cp949("홍") + b'\r\n\t"\\A end')
    opened.call("TxData plain\\n")
    terminal.expect(b"plain\\n")
    assert terminal.received == cp949("홍길동") + cp949("홍") + b'\r\n\t"\\A end' + b"plain\\n"


def test_characters_sent_as_question_marks_are_counted(terminal, opened):
    assert opened.call(r'TxData "caf\u00e9?\u00e9"')["result"] is None
    terminal.expect(b"caf???")
    assert opened.event("DebugMsg") == {"event": "DebugMsg", "str": "?로바뀐문자수:2"}
    opened.call('TxData "?"')
    terminal.expect(b"caf????")
    assert opened.events_until_sync() == []
    opened.finish()
    assert opened.proc.stderr.read().decode() == (
        'velko: 2 characters without a CP949 form went out as "?"\n')


def test_tx_data_on_a_closed_port_fails_with_the_serial_error(terminal, opened):
    opened.call('CloseVelko "" ""')
    failed = opened.call('TxData "lost"')
    assert failed["error"] == {
        "number": 8018, "description": "Operation valid only when the port is open"}
    assert failed["args"] == ["lost"]
    # The failure is the thread's pending error, which the message falls back to once.
    assert opened.call("GetCurrentErrorMsg")["result"] == failed["error"]["description"]
    assert terminal.quiet_for(0.2) == b""


def test_members_are_found_by_name_in_any_case_and_by_dispatch_id(shell_factory):
    shell = shell_factory()
    shell.call('openvelko CO ""')
    by_id = shell.call("#0x60030005")
    assert by_id == {"call": "GetCurrentErrorMsg", "result": "CO open error", "args": []}
    shell.call('OPENVELKO "XY" ""')
    assert shell.call("#1610809349")["result"] == "XY open error"
    shell.call('OpenVelko "AB" ""')
    assert shell.call("getcurrenterrormsg")["result"] == "AB open error"
    assert shell.call("#0X60030002") == {"call": "ComPortStateGet", "result": False, "args": []}
