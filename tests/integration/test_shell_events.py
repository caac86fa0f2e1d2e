"""Events as `velko shell --json` prints them: as they happen, with the event interface's
parameter names, also while a call is still running."""

from conftest import cp949, report, response

EMPTY_ENTRY = {"lMonth": 0, "lDay": 0, "lHour": 0, "lMin": 0, "lNumber": "", "lName": "",
               "lGroup": 0, "lTelType": ""}


def test_events_print_while_the_shell_waits_for_input(terminal, opened):
    terminal.send(report(b"B"))
    # Nothing more is sent to the shell: the event must come by itself.
    assert opened.event("HookEvent") == {"event": "HookEvent", "eventType": True}
    assert opened.event("ReceiveReal") == {"event": "ReceiveReal", "str": "Report\r\nB\r\nEnd\r\n"}
    diagnostics = [opened.event("DebugMsg")["str"] for _ in range(3)]
    assert diagnostics[0] == "전체수신데이터:Report\r\nB\r\nEnd\r\n"
    terminal.send(report(b"C"))
    assert opened.event("HookEvent") == {"event": "HookEvent", "eventType": False}


def test_a_call_carries_its_state_and_text_under_the_interface_names(terminal, opened):
    terminal.send(report(b"D", b"Time:03050907", b"Number:0212345678",
                         b"Name:" + cp949("홍길동"), b"Group:2", b"Type:S"))
    assert opened.event("ReceiveCallByString") == {
        "event": "ReceiveCallByString",
        "callState": 1,
        "cidStrInfo": "3 5 9 7 0212345678 2 NORMAL ",
    }
    names = [o["str"] for o in opened.events_until_sync() if o["event"] == "DebugMsg"]
    assert any("Name:홍길동\r\n" in text for text in names)


def test_events_during_a_call_come_before_its_result(terminal, opened):
    opened.send("SendCmd 100")
    terminal.expect(b"[")
    terminal.send(report(b"B") + b"ACK\r\n")
    sent = opened.take(lambda o: "call" in o)
    assert sent == {"call": "SendCmd", "result": True, "args": [100]}
    before = [o.get("event") for o in opened.unread]
    assert "HookEvent" in before and "ReceiveReal" in before
    terminal.expect(b"[d\r]")


def test_responses_carry_their_values_and_whole_lists(terminal, opened):
    terminal.send(response(b"d", b"1225", b"0930"))
    assert opened.event("ReceiveResponse") == {
        "event": "ReceiveResponse", "msgType": 100, "rst1": "12-25", "rst2": "09:30", "rst3": ""}
    terminal.send(response(b"a", b"Time:03050907", b"Number:0212345678",
                           b"Name:" + cp949("홍길동"), b"Group:2", b"Type:S", b"Time:"))
    listed = opened.event("ReceiveGatheredInfo")
    assert list(listed) == ["event", "max", "kind", "cidInfo"]
    assert (listed["max"], listed["kind"]) == (1, 97)
    assert len(listed["cidInfo"]) == 61
    assert listed["cidInfo"][0] == {"lMonth": 3, "lDay": 5, "lHour": 9, "lMin": 7,
                                    "lNumber": "0212345678", "lName": "홍길동", "lGroup": 2,
                                    "lTelType": "NORMAL"}
    assert listed["cidInfo"][1:] == [EMPTY_ENTRY] * 60
