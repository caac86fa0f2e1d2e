"""The input syntax of `velko shell` and how failed calls and unreadable lines are reported."""

import signal

import pytest

from conftest import Deadline

UNKNOWN_NAME = -2147352570
MEMBER_NOT_FOUND = -2147352573
BAD_PARAM_COUNT = -2147352562
TYPE_MISMATCH = -2147352571
OVERFLOW = -2147352566


def error_number(reported):
    return reported["error"]["number"]


def test_quoted_arguments_hold_blanks_escapes_and_nothing(shell_factory):
    shell = shell_factory()
    cases = {
        r'"two words"': "two words",
        r'""': "",
        r'"\r\n\t\"\\"': '\r\n\t"\\',
        r'"\x41\x7e\xe9"': "A~é",
        r'"\uD64D\u0000!"': "홍\0!",
        r"back\slash": "back\\slash",
        r'mid"quote': 'mid"quote',
        "홍길동": "홍길동",
    }
    for typed, text in cases.items():
        assert shell.call(f"EventTest {typed}")["args"] == [text], typed
    # Blanks and tabs separate arguments; leading and trailing ones do nothing.
    assert shell.call('  \t OpenVelko \t CO   ""  ')["args"] == ["CO", "CO open error"]


@pytest.mark.parametrize(
    "line",
    [
        'EventTest "open',
        'EventTest "ends with a backslash\\',
        'EventTest "\\q"',
        'EventTest "\\x4"',
        'EventTest "\\u12G4"',
        'EventTest "glued"on',
        ":wait",
        ":wait soon",
        ":wait -5",
        ":wait 2147483648",
        ":wait 10000000000000",
        ":wait 100000000000000000000",
        ":quit now",
        ":unknown",
        "#",
        "#0x",
        "#12ab",
        "#0x1ffffffff",
    ],
)
def test_an_unreadable_line_is_reported_and_the_session_goes_on(shell_factory, line):
    shell = shell_factory()
    reported = shell.call(line)
    assert reported["input"] == line
    assert reported["error"]["number"] == -2147024809
    assert reported["error"]["description"]
    assert shell.call("ComPortStateGet")["result"] is False


def test_a_bare_command_shows_the_usage_and_a_port_given_twice_is_refused(tool_factory):
    bare = tool_factory()
    assert bare.proc.wait(Deadline().left()) == 2
    assert "Usage:" in bare.proc.stderr.read().decode()
    twice = tool_factory("shell", "--device", "1=/dev/a", "--device", "1=/dev/b")
    assert twice.proc.wait(Deadline().left()) != 0
    assert "port 1 is given more than once" in twice.proc.stderr.read().decode()


def test_unknown_members_keep_the_name_as_typed(shell_factory):
    shell = shell_factory()
    unknown = shell.call('NoSuchMethod 1 "two"')
    assert unknown == {
        "call": "NoSuchMethod",
        "error": {"number": UNKNOWN_NAME, "description": unknown["error"]["description"]},
        "args": ["1", "two"],
    }
    # The dispatch id between EventTest and ProcessReport belongs to no member, nor the one after
    # the last member.
    for typed in ("#0x60030007", "#1610809351", "#0x60030020", "#-4"):
        missing = shell.call(typed)
        assert missing["call"] == typed
        assert error_number(missing) == MEMBER_NOT_FOUND


def test_arguments_are_counted_and_converted_by_the_parameter_types(shell_factory):
    shell = shell_factory()
    for line in ("OpenVelko", 'OpenVelko "COM1"', 'OpenVelko a b c', "ComPortStateGet x",
                 "SendCmd", "SendCmd 100 a b c d", "ProcessReport 1"):
        assert error_number(shell.call(line)) == BAD_PARAM_COUNT, line
    # The command code is a byte given as a decimal number.
    for typed, number in [("x", TYPE_MISMATCH), ("D", TYPE_MISMATCH), ("0x44", TYPE_MISMATCH),
                          ("1.5", TYPE_MISMATCH), ('""', TYPE_MISMATCH), ("256", OVERFLOW),
                          ("-1", OVERFLOW), ("99999999999999999999", OVERFLOW)]:
        failed = shell.call(f"SendCmd {typed}")
        assert failed["call"] == "SendCmd"
        assert error_number(failed) == number, typed
    # Texts are texts whatever they look like; optional arguments may be left off.
    assert shell.call("EventTest 12")["args"] == ["12"]
    for line, args in [("SendCmd 100", [100]), ("SendCmd 0", [0]), ("SendCmd 255 a", [255, "a"]),
                       ('SendCmd 100 "" "" ""', [100, "", "", ""])]:
        assert shell.call(line) == {"call": "SendCmd", "result": False, "args": args}, line


def test_blank_lines_wait_and_quit(shell_factory):
    shell = shell_factory()
    shell.send("")
    shell.send("   ")
    shell.send(":wait 0")
    shell.send(":quit")
    shell.send('EventTest "never run"')
    assert shell.finish() == 0
    assert shell.read_line(Deadline()) is None
    assert not shell.unread


def test_the_longest_wait_is_honoured_until_a_stop_request(shell_factory):
    shell = shell_factory()
    shell.call("EventTest started")
    shell.send(":wait 2147483647")
    shell.send("EventTest after")
    with pytest.raises(AssertionError, match="no output within the deadline"):
        shell.read_line(Deadline(0.3))
    shell.signal(signal.SIGINT)
    assert shell.proc.wait(Deadline().left()) == 128 + signal.SIGINT


def test_end_of_input_ends_the_session_after_its_lines(shell_factory):
    shell = shell_factory()
    shell.write('OpenVelko CO ""\r\nGetCurrentErrorMsg')  # CR LF line ends; no last line end
    assert shell.finish() == 0
    assert shell.take(lambda o: True)["args"] == ["CO", "CO open error"]
    assert shell.take(lambda o: True)["result"] == "CO open error"


def test_readable_output_without_json(tool_factory):
    tool = tool_factory("shell")
    tool.write('OpenVelko CO ""\nTxData "a\\tb"\nEventTest 홍\nSendCmd 300\nbogus "\n')
    assert tool.finish() == 0
    deadline = Deadline()
    lines = [tool.read_line(deadline) for _ in range(5)]
    assert lines[0] == 'OpenVelko("CO", "CO open error") -> 2'
    assert lines[1] == 'TxData("a\\tb") -> error 8018: Operation valid only when the port is open'
    assert lines[2] == 'EventTest("홍")'
    assert lines[3].startswith('SendCmd("300") -> error -2147352566')
    assert lines[4].startswith('cannot read "bogus \\"": ')


@pytest.mark.parametrize("device", ["3", "3=", "=/dev/x", "3x=/dev/x", "0=/dev/x", "32768=/dev/x"])
def test_a_malformed_device_is_refused_before_the_session_starts(tool_factory, device):
    tool = tool_factory("shell", "--device", device)
    assert tool.finish() != 0
    assert tool.read_line(Deadline()) is None
    assert b"expected N=PATH with N from 1 to 32767" in tool.proc.stderr.read()
