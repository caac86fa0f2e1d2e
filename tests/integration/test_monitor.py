"""`velko monitor`: the port opened, every event shown as it arrives, a clean end on a signal."""

import json
import os
import signal
import subprocess

import pytest
from conftest import (TIMEOUT, VELKO, Deadline, cp949, locked_by_another_program, report,
                      response)

CALL = report(b"D", b"Time:03050907", b"Number:0212345678", b"Name:" + cp949("홍길동"),
              b"Group:2", b"Type:S")


def lines_until(tool, predicate):
    """Output lines up to and including the first that satisfies predicate."""
    deadline = Deadline()
    seen = []
    while not seen or not predicate(seen[-1]):
        line = tool.read_line(deadline)
        assert line is not None, f"output ended after {seen}"
        seen.append(line)
    return seen


def test_shows_calls_with_the_name_and_hook_changes_until_interrupted(terminal, tool_factory):
    monitor = tool_factory("monitor", "--device", f"3={terminal.path}")
    assert lines_until(monitor, lambda line: True) == ['OpenVelko("COM3", "") -> 0']
    terminal.send(CALL + report(b"B"))
    shown = lines_until(monitor, lambda line: "HookEvent" in line)
    assert shown == [
        "event ReceiveCallByString call 1: 03-05 09:07  02-1234-5678  홍길동  group 2  NORMAL",
        "event HookEvent off-hook",
    ]
    terminal.send(report(b"C"))
    assert lines_until(monitor, lambda line: True) == ["event HookEvent on-hook"]
    monitor.signal(signal.SIGINT)
    assert lines_until(monitor, lambda line: True) == ['CloseVelko("COM3", "") -> 0']
    assert monitor.proc.wait(Deadline().left()) == 0
    os.close(locked_by_another_program(terminal.path))  # the port is free again


def test_json_lines_on_the_named_port_end_on_sigterm(terminals, tool_factory):
    other, line = terminals(), terminals()
    monitor = tool_factory("monitor", "--json", "--port", "COM7", "--device",
                           f"2={other.path}", "--device", f"7={line.path}")
    first = json.loads(lines_until(monitor, lambda text: True)[0])
    assert first == {"call": "OpenVelko", "result": 0, "args": ["COM7", ""]}
    line.send(report(b"B"))
    events = [json.loads(text) for text in lines_until(monitor, lambda t: "HookEvent" in t)]
    assert {"event": "HookEvent", "eventType": True} in events
    assert {"event": "ReceiveReal", "str": "Report\r\nB\r\nEnd\r\n"} in events
    monitor.signal(signal.SIGTERM)
    assert monitor.proc.wait(Deadline().left()) == 0


def test_sends_commands_read_from_standard_input_and_outlives_its_end(terminal, tool_factory):
    monitor = tool_factory("monitor", "--device", f"3={terminal.path}")
    lines_until(monitor, lambda line: True)
    monitor.write("SendCmd 100\n")
    terminal.expect(b"[")
    terminal.send(b"ACK\r\n")
    terminal.expect(b"d\r]")
    assert lines_until(monitor, lambda line: True) == ["SendCmd(100) -> True"]
    monitor.proc.stdin.close()
    terminal.send(response(b"d", b"0305", b"0907"))
    shown = lines_until(monitor, lambda line: True)
    assert shown == ['event ReceiveResponse d (100): "03-05" "09:07" ""']
    assert monitor.proc.poll() is None


def test_a_port_that_cannot_be_opened_ends_it_with_failure_and_the_reason(tool_factory):
    monitor = tool_factory("monitor", "--device", "4=/dev/no-such-device")
    assert lines_until(monitor, lambda line: True) == [
        'OpenVelko("COM4", "COM4 open error") -> 2']
    assert monitor.proc.wait(Deadline().left()) == 1
    assert monitor.proc.stderr.read().decode() == (
        "velko: cannot open /dev/no-such-device: No such file or directory\n")


@pytest.mark.parametrize("number, name, shown", [
    (b"02\x1b[2J", b"\x07\x1b]0;x\x07", "02\\x1B[2J  \\x07\\x1B]0;x\\x07"),
    (b"02 1234 Name:Evil", b"Kim Lee", "02 1234 Name:Evil  Kim Lee"),
])
def test_a_call_shows_each_field_whole_with_control_characters_escaped(terminal, tool_factory,
                                                                       number, name, shown):
    monitor = tool_factory("monitor", "--device", f"3={terminal.path}")
    lines_until(monitor, lambda line: True)
    terminal.send(report(b"D", b"Time:03050907", b"Number:" + number, b"Name:" + name,
                         b"Group:2", b"Type:S"))
    assert lines_until(monitor, lambda line: True) == [
        f"event ReceiveCallByString call 1: 03-05 09:07  {shown}  group 2  NORMAL"]


def test_standard_output_that_cannot_be_written_ends_it_and_closes_the_port(terminal):
    with open("/dev/full", "wb") as full:
        monitor = subprocess.run([VELKO, "monitor", "--device", f"3={terminal.path}"],
                                 stdin=subprocess.DEVNULL, stdout=full, stderr=subprocess.PIPE,
                                 timeout=TIMEOUT)
    assert monitor.returncode == 4
    assert monitor.stderr.decode().endswith(
        "velko: cannot write to standard output: No space left on device\n")
    os.close(locked_by_another_program(terminal.path))  # the port is free again
