"""The receive path over a real pseudo-terminal: framing, caller reports and the field
operations, through `velko shell --json`."""

import pytest

from conftest import cp949, report, response

HONG = cp949("홍길동")


def named(events, name):
    return [{k: v for k, v in e.items() if k != "event"} for e in events if e["event"] == name]


def call_report(kind=b"D", time=b"03050907", group=b"Group:2", type_line=b"Type:S"):
    lines = [kind, b"Time:" + time, b"Number:0212345678", b"Name:" + HONG, group, type_line]
    return report(*[line for line in lines if line is not None])


def test_a_message_split_over_reads_is_decoded_when_its_end_line_arrives(terminal, opened):
    message = report(b"B")
    first = opened.feed(terminal, message[:9])
    assert [e["event"] for e in first] == ["ReceiveReal"]
    second = opened.feed(terminal, message[9:-3])
    assert [e["event"] for e in second] == ["ReceiveReal"]
    last = opened.feed(terminal, message[-3:])
    assert named(last, "HookEvent") == [{"eventType": True}]
    assert named(last, "DebugMsg")[0] == {"str": "전체수신데이터:" + message.decode()}


def test_a_korean_name_split_between_two_reads_arrives_whole(terminal, opened):
    message = call_report()
    split = message.index(HONG) + 3  # inside the second character
    terminal.send(message[:split])
    echoed = ""
    while not echoed.endswith("Name:홍"):
        echoed += opened.event("ReceiveReal")["str"]
    terminal.send(message[split:])
    assert opened.event("ReceiveCallByString")["cidStrInfo"] == "3 5 9 7 0212345678 2 NORMAL "
    events = opened.events_until_sync()
    echoed += "".join(e["str"] for e in events if e["event"] == "ReceiveReal")
    assert echoed == message.decode("cp949")
    assert any("Name:홍길동\r\n" in e["str"] for e in named(events, "DebugMsg"))


def test_every_complete_message_of_a_read_is_decoded_in_order(terminal, opened):
    events = opened.feed(terminal, report(b"B") + report(b"C") + call_report(b"E"))
    decoded = [e for e in events if e["event"] in ("HookEvent", "ReceiveCallByString")]
    assert decoded == [
        {"event": "HookEvent", "eventType": True},
        {"event": "HookEvent", "eventType": False},
        {"event": "ReceiveCallByString", "callState": 2,
         "cidStrInfo": "3 5 9 7 0212345678 2 NORMAL "},
    ]
    # A report in front of a response is decoded too, and the text in front of the first
    # header is dropped.
    events = opened.feed(terminal, b"ACK\r\n" + report(b"C") + response(b"t", b"1"))
    assert named(events, "HookEvent") == [{"eventType": False}]
    assert named(events, "ReceiveResponse") == [
        {"msgType": 116, "rst1": "1", "rst2": "", "rst3": ""}]


def test_what_the_line_held_before_the_port_opened_is_discarded(terminal, shell_factory):
    # An answer that an earlier session left on the line.
    terminal.send(response(b"t", b"stale"))
    shell = shell_factory({3: terminal.path})
    assert shell.call('OpenVelko COM3 ""')["result"] == 0
    events = shell.feed(terminal, report(b"B"))
    assert named(events, "ReceiveResponse") == []
    assert named(events, "HookEvent") == [{"eventType": True}]


def test_text_without_a_header_is_dropped_at_its_end_line(terminal, opened):
    events = opened.feed(terminal, b"xx\r\nEnd\r\n")
    assert named(events, "DebugMsg") == [{"str": "전체수신데이터:xx\r\nEnd\r\n"},
                                         {"str": "s1:idx=0\r\n"}]
    # Headers only count with their CR LF and in their own case.
    events = opened.feed(terminal, b"Report B\r\nREPORT\r\nB\r\nEnd\r\n")
    assert [e["event"] for e in events] == ["ReceiveReal", "DebugMsg", "DebugMsg"]
    events = opened.feed(terminal, report(b"B"))
    assert named(events, "HookEvent") == [{"eventType": True}]


@pytest.mark.parametrize(
    "message, call_state, text",
    [
        (call_report(type_line=b"Type:s"), 1, "3 5 9 7 0212345678 2  "),
        (call_report(time=b"0305"), 1, "3 5 0 0 0212345678 2 NORMAL "),
        (call_report(group=None), 1, "3 5 9 7 0212345678 0 NORMAL "),
        (call_report(b"E", time=b"12312359", type_line=b"Type:P"), 2,
         "12 31 23 59 0212345678 2 NO_DISP "),
    ],
    ids=["lower-case type", "four-digit time", "no group", "other call"],
)
def test_call_reports_become_call_texts(terminal, opened, message, call_state, text):
    events = opened.feed(terminal, message)
    assert named(events, "ReceiveCallByString") == [{"callState": call_state, "cidStrInfo": text}]
    assert named(events, "DebugMsg")[3] == {"str": "ProcessReport():report_type:" + chr(message[8])}


def test_an_unknown_report_letter_raises_only_the_first_diagnostic(terminal, opened):
    events = opened.feed(terminal, report(b"Z", b"Number:1"))
    assert [e["event"] for e in events] == ["ReceiveReal", "DebugMsg", "DebugMsg", "DebugMsg"]
    assert named(events, "DebugMsg")[2]["str"].startswith("ProcessReport(): gRxData:Z\r\n")
    assert named(opened.feed(terminal, report(b"C")), "HookEvent") == [{"eventType": False}]


def test_a_report_that_cannot_be_decoded_does_not_stop_the_next(terminal, opened):
    events = opened.feed(terminal, call_report(group=b"Group:99999") + report(b"B"))
    assert not named(events, "ReceiveCallByString")
    assert any(e["str"].startswith("디코딩오류:6") for e in named(events, "DebugMsg"))
    assert named(events, "HookEvent") == [{"eventType": True}]


def test_the_field_operations_read_a_partial_buffer_from_the_shell(terminal, opened):
    opened.feed(terminal, b"Report\r\nD\r\nTime:03050907\r\nNumber:0212345678\r\nName:X")
    steps = [
        ("GetInformationWithoutIndicator", "Report"),
        ('GetInformationWithIndicator "Time:"', "03050907"),
        ("EndMessageDiscard", None),
        ('GetInformationWithIndicator "Missing:"', ""),
        ("GetInformationWithoutIndicator", "Number:0212345678"),
    ]
    for line, result in steps:
        assert opened.call(line)["result"] == result, line
    failed = opened.call('GetInformationWithIndicator "Name:"')
    assert failed["error"]["number"] == 5
    assert opened.events_until_sync() == []
    # What is left ("X") ends as text without a header.
    events = opened.feed(terminal, b"\r\nEnd\r\n")
    assert named(events, "DebugMsg") == [{"str": "전체수신데이터:X\r\nEnd\r\n"},
                                         {"str": "s1:idx=0\r\n"}]
