"""The members that read the last call report and the last list field by field, called by name
from `velko shell` as a host that reads no records calls them: what came last, the name
included, kept until the next one, and a bad index refused with error 9."""

from conftest import cp949, report

CALL_MEMBERS = ["LastCallState", "LastCallMonth", "LastCallDay", "LastCallHour", "LastCallMin",
                "LastCallNumber", "LastCallName", "LastCallGroup", "LastCallTelType"]
LIST_MEMBERS = ["LastListMonth", "LastListDay", "LastListHour", "LastListMin", "LastListNumber",
                "LastListName", "LastListGroup", "LastListTelType"]
SUBSCRIPT_OUT_OF_RANGE = {"number": 9, "description": "Subscript out of range"}


def results(shell, *lines):
    return [shell.call(line).get("result", "failed") for line in lines]


def test_the_last_call_is_read_with_its_name_until_the_next(terminal, opened):
    assert results(opened, *CALL_MEMBERS) == [0, 0, 0, 0, 0, "", "", 0, ""]
    terminal.send(report(b"D", b"Time:03050907", b"Number:0212345678",
                         b"Name:" + cp949("홍길동"), b"Group:2", b"Type:S") + report(b"B"))
    opened.event("ReceiveCallByString")
    opened.event("HookEvent")
    first = [1, 3, 5, 9, 7, "0212345678", "홍길동", 2, "NORMAL"]
    assert results(opened, *CALL_MEMBERS) == first
    # By name in any case, and by dispatch id.
    assert results(opened, "lastcallname", "#0x60030013") == ["홍길동", "홍길동"]

    terminal.send(report(b"E", b"Time:12312359", b"Number:0311112222"))
    opened.event("ReceiveCallByString")
    assert results(opened, *CALL_MEMBERS) == [2, 12, 31, 23, 59, "0311112222", "", 0, ""]


def test_sixty_stored_calls_of_the_simulator_are_read_by_index(sims, shell_factory):
    sim = sims("--start", "2026-03-06 09:00")
    stored = [(f"03{n:08d}", f"이름{n}", n % 7, 8 + n // 60, n % 60) for n in range(1, 61)]
    sim.play(*(f"store {number} {name} {group} V 0305{hour:02d}{minute:02d}"
               for number, name, group, hour, minute in stored))
    sim.log.wait(lambda line: "store 0300000060" in line)
    shell = shell_factory({3: sim.path}, "--hide-diagnostics")
    assert results(shell, 'OpenVelko COM3 ""', "SendCmd 97") == [0, True]
    listed = shell.event("ReceiveGatheredInfo")
    assert (listed["max"], listed["kind"]) == (60, 97)

    assert results(shell, "LastListKind", "LastListCount") == [97, 60]
    for index, (number, name, group, hour, minute) in enumerate(stored, 1):
        read = results(shell, *(f"{member} {index}" for member in LIST_MEMBERS))
        assert read == [3, 5, hour, minute, number, name, group, "VIP"], index

    for line in ["LastListName 61", "LastListName 0", "LastListNumber -1", "LastListMin 61"]:
        assert shell.call(line)["error"] == SUBSCRIPT_OUT_OF_RANGE, line
    # The index is a number, and there is one.
    assert shell.call("LastListName x")["error"]["number"] == -2147352571
    assert shell.call("LastListName")["error"]["number"] == -2147352562
