"""Responses over a real pseudo-terminal: single values and lists, through `velko shell --json`."""

import pytest

from conftest import cp949, report, response

EMPTY = {"lMonth": 0, "lDay": 0, "lHour": 0, "lMin": 0, "lNumber": "", "lName": "", "lGroup": 0,
         "lTelType": ""}


def named(events, name):
    return [{k: v for k, v in e.items() if k != "event"} for e in events if e["event"] == name]


def record(time, number, name, group, kind):
    return [b"Time:" + time, b"Number:" + number, b"Name:" + cp949(name), b"Group:" + group,
            b"Type:" + kind]


def entry(month, day, hour, minute, number, name, group, kind):
    return {"lMonth": month, "lDay": day, "lHour": hour, "lMin": minute, "lNumber": number,
            "lName": name, "lGroup": group, "lTelType": kind}


def one_list(events):
    lists = named(events, "ReceiveGatheredInfo")
    assert len(lists) == 1
    assert len(lists[0]["cidInfo"]) == 61
    return lists[0]


@pytest.mark.parametrize(
    "lines, values",
    [
        ([b"d", b"1225", b"0930"], [100, "12-25", "09:30", ""]),
        ([b"e", b"0930"], [101, "09:30", "", ""]),
        ([b"e", b""], [101, ":", "", ""]),
        ([b"f", b"3"], [102, "3", "", ""]),
        ([b"h", b"2.10"], [104, "2.10", "", ""]),
        ([b"i", b"VK100-0001"], [105, "VK100-0001", "", ""]),
        ([b"n", b"12"], [110, "12", "", ""]),
        ([b"q", b" 7 "], [113, " 7 ", "", ""]),
        ([b"r", b"3"], [114, "3", "", ""]),
        ([b"s", b"2"], [115, "2", "", ""]),
        ([b"t", b"1"], [116, "1", "", ""]),
        ([b"u", b"0"], [117, "0", "", ""]),
        ([b"x", b"60"], [120, "60", "", ""]),
        ([b"g", b"0"], [103, "02", "", ""]),
        ([b"g", b"x"], [103, "02", "", ""]),
        ([b"g", b"a"], [103, "054", "", ""]),
        ([b"g", b"f"], [103, "064", "", ""]),
        ([b"g", b"15"], [103, "064", "", ""]),
    ],
)
def test_single_values_become_one_response_event(terminal, opened, lines, values):
    events = opened.feed(terminal, response(*lines))
    keys = ["msgType", "rst1", "rst2", "rst3"]
    assert named(events, "ReceiveResponse") == [dict(zip(keys, values))]


def test_a_date_and_time_answer_shows_its_raw_values_first(terminal, opened):
    events = opened.feed(terminal, response(b"d", b"0305", b"0907"))
    decoded = [e for e in events if e["event"] in ("DebugMsg", "ReceiveResponse")][-2:]
    assert decoded == [
        {"event": "DebugMsg", "str": "ldate=0305  ltime=0907"},
        {"event": "ReceiveResponse", "msgType": 100, "rst1": "03-05", "rst2": "09:07", "rst3": ""},
    ]


@pytest.mark.parametrize(
    "body",
    [
        [b"D", b"1225", b"0930"],  # keys are lower-case
        [b"ab"],  # no key line
        [],  # only the end line
        [b"g", b"16"],  # no such area
        [b"g", b"-1"],
        [b"k", b"1"],
    ],
    ids=["upper-case key", "no key line", "only End", "area 16", "area -1", "unknown key"],
)
def test_responses_that_raise_nothing_are_removed(terminal, opened, body):
    events = opened.feed(terminal, response(*body) + report(b"B"))
    assert [e for e in events if e["event"] in ("ReceiveResponse", "ReceiveGatheredInfo")] == []
    assert named(events, "HookEvent") == [{"eventType": True}]


def test_a_call_list_with_a_response_and_a_report_behind_it(terminal, opened):
    lines = [b"a", *record(b"03050907", b"0212345678", "홍길동", b"2", b"S"),
             *record(b"1231", b"0311234567", "김철수", b"1", b"s"), b"Time:"]
    events = opened.feed(terminal, response(*lines) + report(b"C"))
    listed = one_list(events)
    assert (listed["max"], listed["kind"]) == (2, 97)
    assert listed["cidInfo"][:3] == [
        entry(3, 5, 9, 7, "0212345678", "홍길동", 2, "NORMAL"),
        entry(12, 31, 0, 0, "0311234567", "김철수", 1, ""),
        EMPTY,
    ]
    assert listed["cidInfo"][2:] == [EMPTY] * 59
    assert named(events, "HookEvent") == [{"eventType": False}]


def test_a_list_holds_at_most_sixty_records(terminal, opened):
    lines = [b"a"]
    for n in range(65):
        lines += record(b"0305%04d" % n, b"02%08d" % n, "이름", b"1", b"V")
    events = opened.feed(terminal, response(*lines) + report(b"B"))
    listed = one_list(events)
    assert listed["max"] == 60
    assert listed["cidInfo"][59]["lNumber"] == "0200000059"
    assert listed["cidInfo"][60] == EMPTY
    assert named(events, "HookEvent") == [{"eventType": True}]


def test_a_record_without_a_name_takes_the_next_records_name(terminal, opened):
    first = [b"Time:03050907", b"Number:0212345678", b"Group:2", b"Type:S"]
    lines = [b"a", *first, *record(b"04061010", b"0311234567", "김철수", b"3", b"V")]
    listed = one_list(opened.feed(terminal, response(*lines)))
    assert listed["max"] == 1
    assert listed["cidInfo"][0] == entry(3, 5, 9, 7, "0212345678", "김철수", 3, "VIP")


def test_rejected_numbers_are_counted_first(terminal, opened):
    lines = [b"j"]
    for n in range(3):
        lines += record(b"0101%04d" % n, b"070%d" % n, "광고", b"0", b"B")
    lines += [b"Time:01010000", b"Number:"]
    events = opened.feed(terminal, response(*lines))
    assert {"str": "거부 번호 갯수:3"} in named(events, "DebugMsg")
    listed = one_list(events)
    assert (listed["max"], listed["kind"]) == (3, 106)
    assert listed["cidInfo"][2] == entry(1, 1, 0, 2, "0702", "광고", 0, "BLACK")
    assert listed["cidInfo"][3] == EMPTY | {"lMonth": 1, "lDay": 1}


def test_group_lists(terminal, opened):
    lines = [b"o"]
    for n in range(1, 3):
        lines += record(b"03050907", b"0%d" % n, f"그룹{n}", b"%d" % n, b"S")
    lines += [b"Time:", b"Number:"]
    listed = one_list(opened.feed(terminal, response(*lines)))
    assert (listed["max"], listed["kind"]) == (2, 111)
    assert listed["cidInfo"][1] == EMPTY | {"lNumber": "02", "lName": "그룹2", "lGroup": 2}

    pairs = [b"p", b"1", cp949("가족"), b"2", cp949("친구"), b"3", cp949("회사"), b"0"]
    listed = one_list(opened.feed(terminal, response(*pairs)))
    assert (listed["max"], listed["kind"]) == (3, 112)
    assert [(e["lGroup"], e["lName"]) for e in listed["cidInfo"][:4]] == [
        (1, "가족"), (2, "친구"), (3, "회사"), (0, "")]

    seven = [b"p"] + [line for n in range(1, 8) for line in (b"%d" % min(n, 6), b"g%d" % n)]
    events = opened.feed(terminal, response(*seven) + report(b"B"))
    listed = one_list(events)
    assert listed["max"] == 6
    assert listed["cidInfo"][6] == EMPTY
    assert named(events, "HookEvent") == [{"eventType": True}]
