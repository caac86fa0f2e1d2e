"""A device that goes away, and a stop request while a call waits: the port counts as closed at
once, the tools say why, and the monitor ends or waits for the device to come back."""

import os
import signal
import time

import pytest
from conftest import Deadline, report

GONE = "포트장치사라짐:"
PORT_CLOSED = "통신 포트가 OPEN 되지 않았습니다."


def names_with_reason(text, prefix, device, port):
    """Whether text holds prefix, the device and a reason: the device is named by its path on
    Linux and by its port under Windows, and the reason is the system's."""
    return any(f"{prefix}{name}: " in text and not text.endswith(f"{name}: ")
               for name in (str(device), f"COM{port}"))


def gone_notice(device, port, errors):
    return names_with_reason(errors, "velko: device gone: ", device, port)


def lines_until(tool, predicate):
    deadline = Deadline()
    seen = []
    while not seen or not predicate(seen[-1]):
        line = tool.read_line(deadline)
        assert line is not None, f"output ended after {seen}"
        seen.append(line)
    return seen


def errors_of(tool, seconds=None):
    """Standard error, once the tool has ended."""
    tool.proc.wait(Deadline(seconds).left())
    return tool.proc.stderr.read().decode()


def test_a_vanished_device_closes_the_port_and_says_why(terminal, opened):
    terminal.close()
    gone = opened.take(lambda o: o.get("event") == "DebugMsg" and o["str"].startswith(GONE))
    assert names_with_reason(gone["str"], GONE, terminal.path, 3)
    assert opened.call("ComPortStateGet")["result"] is False
    assert opened.call("SendCmd 100")["result"] is False
    assert opened.call("GetCurrentErrorMsg")["result"] == PORT_CLOSED
    opened.finish()
    assert gone_notice(terminal.path, 3, errors_of(opened))


@pytest.mark.parametrize("end", ["device gone", "SIGINT"])
def test_a_wait_for_the_terminal_ends_at_once(terminal, opened, end):
    opened.send("SendCmd 100")
    terminal.expect(b"[")
    started = time.monotonic()
    if end == "device gone":
        terminal.close()
    else:
        opened.signal(signal.SIGINT)
    sent = opened.take(lambda o: o.get("call") == "SendCmd")
    assert sent["result"] is False
    if end == "SIGINT":
        assert opened.proc.wait(Deadline().left()) == 128 + signal.SIGINT
        assert time.monotonic() - started < 1.0
        closed = [o for o in opened.unread if o.get("call") == "CloseVelko"]
        assert closed == [{"call": "CloseVelko", "result": 0, "args": ["", ""]}]
    else:
        assert time.monotonic() - started < 1.0
        assert opened.call("GetCurrentErrorMsg")["result"] == PORT_CLOSED


def test_the_monitor_ends_when_the_device_goes(terminal, tool_factory):
    monitor = tool_factory("monitor", "--device", f"3={terminal.path}")
    assert lines_until(monitor, lambda line: True) == ['OpenVelko("COM3", "") -> 0']
    terminal.close()
    assert monitor.proc.wait(Deadline().left()) == 3
    assert gone_notice(terminal.path, 3, monitor.proc.stderr.read().decode())


def test_the_monitor_ends_a_waiting_command_on_sigterm(terminal, tool_factory):
    monitor = tool_factory("monitor", "--device", f"3={terminal.path}")
    lines_until(monitor, lambda line: True)
    monitor.write("SendCmd 100\n")
    terminal.expect(b"[")
    started = time.monotonic()
    monitor.signal(signal.SIGTERM)
    assert monitor.proc.wait(Deadline().left()) == 0
    assert time.monotonic() - started < 1.0
    assert lines_until(monitor, lambda line: "SendCmd" in line) == [
        'CloseVelko("COM3", "") -> 0', "SendCmd(100) -> False"]
    assert monitor.read_line(Deadline()) is None


def test_with_reopen_the_monitor_waits_for_the_device_at_the_same_path(
        tmp_path, terminals, tool_factory):
    link = tmp_path / "line"
    first = terminals()
    os.symlink(first.path, link)
    monitor = tool_factory("monitor", "--reopen", "--device", f"3={link}")
    assert lines_until(monitor, lambda line: True) == ['OpenVelko("COM3", "") -> 0']
    link.unlink()
    first.close()
    failed = lines_until(monitor, lambda line: True)
    assert failed == ['OpenVelko("COM3", "COM3 open error") -> 2']
    second = terminals()
    os.symlink(second.path, link)
    shown = lines_until(monitor, lambda line: line.endswith("-> 0"))
    assert shown[-1] == 'OpenVelko("COM3", "") -> 0'
    second.send(report(b"B"))
    assert lines_until(monitor, lambda line: True) == ["event HookEvent off-hook"]
    monitor.signal(signal.SIGINT)
    assert monitor.proc.wait(Deadline().left()) == 0
    errors = monitor.proc.stderr.read().decode()
    assert gone_notice(link, 3, errors)
    assert "velko: waiting for COM3 to come back" in errors
    assert f"velko: cannot open {link}: No such file or directory" in errors or \
        "velko: cannot open COM3: " in errors
