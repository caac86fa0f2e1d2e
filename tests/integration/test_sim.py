"""`velko sim`: the terminal simulator on a pseudo-terminal, driven by scenario lines."""

import json

import pytest
from conftest import Deadline, Device, cp949


def start(tool_factory, *options):
    sim = tool_factory("sim", *options)
    path = sim.read_line(Deadline())
    assert path.startswith("/dev/")
    return sim, Device(path)


def test_plays_scenario_lines_and_answers_the_pc(tool_factory):
    sim, pc = start(tool_factory, "--start", "2025-03-05 09:07")
    try:
        sim.write("hook off\n")
        pc.expect(b"Report\r\nB\r\nEnd\r\n")
        sim.write("call 0212345678 홍길동 2 S\n")
        pc.expect(b"Report\r\nD\r\nTime:03050907\r\nNumber:0212345678\r\nName:" + cp949("홍길동")
                  + b"\r\nGroup:2\r\nType:S\r\nEnd\r\n")
        pc.send(b"[")
        pc.expect(b"ACK\r\n")
        pc.send(b"d\r]")
        pc.expect(b"Response\r\nd\r\n0305\r\n0907\r\nEnd\r\n")
        sim.write("quit\n")
        assert sim.proc.wait(Deadline().left()) == 0
    finally:
        pc.close()


def test_memory_size_stored_calls_and_the_clock_the_pc_sets(tool_factory):
    sim, pc = start(tool_factory, "--json", "--start", "2025-03-05 09:07", "--memory", "2")
    try:
        sim.write("store 0200000000\nstore 0211111111 홍길동 2 V 03050830\nclock -7\n"
                  "store 0222222222\n")
        pc.send(b"[")
        pc.expect(b"ACK\r\n")
        pc.send(b"a\r]")
        pc.expect(b"Response\r\na\r\nTime:03050830\r\nNumber:0211111111\r\nName:" + cp949("홍길동")
                  + b"\r\nGroup:2\r\nType:V\r\nTime:03050900\r\nNumber:0222222222\r\nName:\r\n"
                  b"Group:0\r\nType:S\r\nEnd\r\n")
        pc.send(b"[")
        pc.expect(b"ACK\r\n")
        pc.send(b"D\r1225\r0930\r]")
        sim.write("quit\n")
        assert sim.proc.wait(Deadline().left()) == 0
        logged = []
        while (line := sim.read_line(Deadline())) is not None:
            logged.append(json.loads(line))
        assert [e["time"] for e in logged if e["event"] == "clock"] == ["2025-12-25 09:30:00"]
        assert not any(e["event"] == "sent" and e["what"].startswith("report") for e in logged)
    finally:
        pc.close()


def test_a_terminal_that_never_acknowledges(tool_factory):
    sim, pc = start(tool_factory, "--no-ack")
    try:
        pc.send(b"[")
        assert pc.quiet_for(0.3) == b""
        assert sim.finish() == 0
    finally:
        pc.close()


def test_json_log_stays_json_for_a_scenario_line_that_is_not_utf8(tool_factory):
    sim, pc = start(tool_factory, "--json")
    try:
        sim.proc.stdin.write(b"call 02 \xff\xfe\nquit\n")
        sim.proc.stdin.flush()
        assert sim.proc.wait(Deadline().left()) == 0
        logged = []
        while (line := sim.read_line(Deadline())) is not None:
            logged.append(json.loads(line))
        error = next(entry for entry in logged if entry["event"] == "error")
        assert error["line"] == "call 02 \ufffd\ufffd"
    finally:
        pc.close()


@pytest.mark.parametrize(
    "options, refusal",
    [
        (["--start", "2025-13-45 27:99"], "--start: no such date"),
        (["--start", "2025-02-29 10:00"], "--start: no such date"),
        (["--start", "2025-03-05 24:00"], "--start: no such time"),
        (["--start", "2025-03-05 09:60"], "--start: no such time"),
        (["--start", "2025-03-05"], "--start: expected YYYY-MM-DD HH:MM"),
        (["--no-ack", "--ack-delay", "100"], "--no-ack: does not go with --ack-delay"),
        (["--ack-delay", "-5"], "--ack-delay: must be 0 or more milliseconds\n"),
    ],
)
def test_refuses_options_that_cannot_hold(tool_factory, options, refusal):
    sim = tool_factory("sim", *options)
    assert sim.finish() != 0
    assert sim.read_line(Deadline()) is None
    errors = sim.proc.stderr.read().decode()
    assert errors.startswith(refusal) and len(errors) < 200


def test_help_lines_up_every_option(tool_factory):
    helped = tool_factory("sim", "--help")
    assert helped.finish() == 0
    lines = []
    while (line := helped.read_line(Deadline())) is not None:
        lines.append(line)
    options = [line for line in lines if line.startswith("  -")]
    assert [line.split()[0] for line in options] == [
        "-h,--help", "--json", "--start", "--ack-delay", "--no-ack", "--memory"]
    columns = {len(line) - len(line[2:].split("  ", 1)[1].lstrip()) for line in options}
    assert len(columns) == 1, options
