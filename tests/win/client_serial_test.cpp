// The control on a serial line: the runner joins COM7 (the control's port) and COM8 (the
// terminal's end, which the test writes and reads) like a null-modem cable.
#include "tests/win/support/automation.h"
#include "tests/win/support/check.h"
#include "tests/win/support/control_on_line.h"

using namespace velko::wintest;

WIN_TEST(an_open_port_reports_its_state_and_refuses_a_second_open) {
    ControlOnLine line;
    Outcome state;
    invoke(line.control(), method("ComPortStateGet"), {}, state);
    CHECK_EQ(V_BOOL(&state.value), VARIANT_TRUE);

    Bstr port(kControlPort);
    Bstr error(L"");
    Outcome again;
    invoke(line.control(), method("OpenVelko"), {byRef(port.slot()), byRef(error.slot())}, again);
    CHECK_EQ(V_I2(&again.value), 1);
    CHECK_EQ(error.text(), std::wstring(kControlPort) + L"이 이미 열려 있슴");
}

WIN_TEST(received_text_and_hook_reports_arrive_as_events) {
    ControlOnLine line;
    const RecordedEvent hook = line.receive(L"Report\r\nB\r\nEnd\r\n", "HookEvent");
    REQUIRE(hook.arguments.size() == 1);
    CHECK_EQ(hook.arguments[0].type, VT_BOOL);
    CHECK_EQ(hook.arguments[0].number, VARIANT_TRUE);

    std::wstring echoed;
    for (const RecordedEvent& real : line.recorder().named(event("ReceiveReal"))) {
        REQUIRE(real.arguments.size() == 1);
        CHECK_EQ(real.arguments[0].type, VT_BSTR);
        echoed += real.arguments[0].text;
    }
    CHECK_EQ(echoed, std::wstring(L"Report\r\nB\r\nEnd\r\n"));
}

WIN_TEST(a_call_report_arrives_as_a_string_by_reference) {
    ControlOnLine line;
    // The sink overwrites the string it is handed, as a host's handler may.
    line.recorder().onEvent = [](DISPPARAMS& params) {
        for (UINT i = 0; i < params.cArgs; ++i) {
            if (V_VT(&params.rgvarg[i]) == (VT_BSTR | VT_BYREF)) {
                SysFreeString(*V_BSTRREF(&params.rgvarg[i]));
                *V_BSTRREF(&params.rgvarg[i]) = SysAllocString(L"overwritten by the host");
            }
        }
    };
    const RecordedEvent call = line.receive(
        L"Report\r\nD\r\nTime:03050907\r\nNumber:0212345678\r\nName:홍길동\r\nGroup:2\r\n"
        L"Type:S\r\nEnd\r\n",
        "ReceiveCallByString");
    REQUIRE(call.arguments.size() == 2);
    CHECK_EQ(call.arguments[0].type, VT_I2);
    CHECK_EQ(call.arguments[0].number, 1);
    CHECK_EQ(call.arguments[1].type, VT_BSTR | VT_BYREF);
    CHECK_EQ(call.arguments[1].text, std::wstring(L"3 5 9 7 0212345678 2 NORMAL "));
}

WIN_TEST(a_single_value_response_arrives_as_ReceiveResponse) {
    ControlOnLine line;
    const RecordedEvent response =
        line.receive(L"Response\r\nd\r\n0305\r\n0907\r\nEnd\r\n", "ReceiveResponse");
    REQUIRE(response.arguments.size() == 4);
    CHECK_EQ(response.arguments[0].type, VT_I2);
    CHECK_EQ(response.arguments[0].number, 100);
    const std::wstring expected[] = {L"03-05", L"09:07", L""};
    for (int i = 0; i < 3; ++i) {
        CHECK_EQ(response.arguments[i + 1].type, VT_BSTR);
        CHECK_EQ(response.arguments[i + 1].text, expected[i]);
    }
}

WIN_TEST(a_list_response_arrives_as_an_array_of_61_records) {
    ControlOnLine line;
    line.recorder().onEvent = [](DISPPARAMS& params) {
        for (UINT i = 0; i < params.cArgs; ++i) {
            if (V_VT(&params.rgvarg[i]) == (VT_I2 | VT_BYREF)) *V_I2REF(&params.rgvarg[i]) = -1;
        }
    };
    const RecordedEvent list = line.receive(
        L"Response\r\na\r\n"
        L"Time:03050907\r\nNumber:0212345678\r\nName:홍길동\r\nGroup:2\r\nType:S\r\n"
        L"Time:12312359\r\nNumber:0311112222\r\nName:Kim\r\nGroup:15\r\nType:V\r\n"
        L"End\r\n",
        "ReceiveGatheredInfo");
    REQUIRE(list.arguments.size() == 3);
    CHECK_EQ(list.arguments[0].type, VT_I2 | VT_BYREF);
    CHECK_EQ(list.arguments[0].number, 2);
    CHECK_EQ(list.arguments[1].type, VT_I2 | VT_BYREF);
    CHECK_EQ(list.arguments[1].number, 97);

    const EventArgument& records = list.arguments[2];
    CHECK_EQ(records.type, VT_ARRAY | VT_RECORD | VT_BYREF);
    CHECK_EQ(records.recordName, std::wstring(L"CID_INFO"));
    CHECK_EQ(records.lowerBound, 0);
    CHECK_EQ(records.upperBound, 60);
    REQUIRE(records.records.size() == 61);
    CHECK(records.records[0] == (CidEntry{3, 5, 9, 7, L"0212345678", L"홍길동", 2, L"NORMAL"}));
    CHECK(records.records[1] == (CidEntry{12, 31, 23, 59, L"0311112222", L"Kim", 15, L"VIP"}));
    for (size_t i = 2; i < records.records.size(); ++i) CHECK(records.records[i] == CidEntry{});
}

WIN_TEST(a_command_goes_out_with_its_rewritten_parameters_written_back) {
    ControlOnLine line;
    // The acknowledgement is on its way before the command starts: the control sees it only
    // while it waits, since nothing else runs the thread's messages. The end line without a
    // header then empties the receive buffer.
    line.terminal().write(L"ACK\r\nEnd\r\n");
    unsigned char command = 'D';
    VARIANT date;  // script variables
    VariantInit(&date);
    V_VT(&date) = VT_BSTR;
    V_BSTR(&date) = SysAllocString(L"12-25");
    Bstr time(L"09:30");
    Outcome sent;
    invoke(line.control(), method("SendCmd"), {byRef(&command), byRef(&date), byRef(time.slot())},
           sent);
    CHECK_HR(sent.result, S_OK);
    CHECK_EQ(V_BOOL(&sent.value), VARIANT_TRUE);
    CHECK_EQ(textOf(V_BSTR(&date)), std::wstring(L"1225"));
    CHECK_EQ(time.text(), std::wstring(L"0930"));
    VariantClear(&date);

    const std::wstring expected = L"[D\r1225\r0930\r]";
    CHECK_EQ(line.terminal().read(expected.size(), kEventLimitMilliseconds), expected);

    // Raw text goes out unchanged.
    Bstr data(L"가나 ATZ\r");
    Outcome raw;
    invoke(line.control(), method("TxData"), {byRef(data.slot())}, raw);
    CHECK_HR(raw.result, S_OK);
    CHECK_EQ(line.terminal().read(data.text().size(), kEventLimitMilliseconds), data.text());
}
