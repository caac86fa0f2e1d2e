#include "decode/report_decoder.h"

#include <gtest/gtest.h>

#include "control/runtime_error.h"
#include "control_class/velko_foxpro.h"
#include "support/fake_platform.h"
#include "support/open_control_test.h"
#include "support/recording_sink.h"

namespace velko {
namespace {

using testing::RecordedEvent;

class ReportDecoder : public testing::OpenControlTest {
  protected:
    static Text call(TextView letter, TextView time, TextView group, TextView type) {
        return Text(letter) + u"\r\nTime:" + Text(time) +
               u"\r\nNumber:0212345678\r\nName:홍길동\r\n" + Text(group) + u"\r\nType:" +
               Text(type) + u"\r\nEnd\r\n";
    }

    // The call state and text of the one ReceiveCallByString raised for a report on the line.
    std::vector<Text> receivedCall(const Text& body) {
        sink.clear();
        port.receive(u"Report\r\n" + body);
        const auto calls = sink.named("ReceiveCallByString");
        EXPECT_EQ(calls.size(), 1u);
        return calls.empty() ? std::vector<Text>{} : calls[0].params;
    }
};

TEST_F(ReportDecoder, HookReportsRaiseHookEventAfterRemovingTheMessage) {
    Text seenByHandler;
    sink.onEvent = [&](const RecordedEvent& event) {
        if (event.name == "HookEvent") seenByHandler = buffer();
    };
    port.receive(u"Report\r\nB\r\nEnd\r\nAC");
    ASSERT_EQ(sink.events.size(), 5u);
    EXPECT_EQ(sink.events[3].params[0], u"ProcessReport(): gRxData:B\r\nEnd\r\n");
    EXPECT_EQ(sink.events[4], (RecordedEvent{"HookEvent", {u"True"}}));
    EXPECT_EQ(seenByHandler, u"AC");
    port.receive(u"Report\r\nC\r\nEnd\r\n");
    EXPECT_EQ(sink.params("HookEvent"), (std::vector<Text>{u"True", u"False"}));
}

TEST_F(ReportDecoder, CallReportsRaiseTheCallAsOneLineWithoutTheName) {
    Text seenByHandler;
    sink.onEvent = [&](const RecordedEvent& event) {
        if (event.name == "ReceiveCallByString") seenByHandler = buffer();
    };
    port.receive(u"Report\r\n" + call(u"D", u"03050907", u"Group:2", u"S") + u"AC");
    ASSERT_EQ(sink.events.size(), 6u);
    EXPECT_EQ(sink.events[4], (RecordedEvent{"DebugMsg", {u"ProcessReport():report_type:D"}}));
    EXPECT_EQ(sink.events[5],
              (RecordedEvent{"ReceiveCallByString", {u"1", u"3 5 9 7 0212345678 2 NORMAL "}}));
    EXPECT_EQ(seenByHandler, u"AC");

    EXPECT_EQ(receivedCall(call(u"E", u"12312359", u"Group:-3", u"V")),
              (std::vector<Text>{u"2", u"12 31 23 59 0212345678 -3 VIP "}));
    // Four digits of time, a lower-case type letter, no Group line, fields missing altogether.
    EXPECT_EQ(receivedCall(call(u"D", u"1305", u"Group:2", u"s"))[1], u"13 5 0 0 0212345678 2  ");
    EXPECT_EQ(receivedCall(call(u"D", u"03050907", u"Grp:4", u"C"))[1],
              u"3 5 9 7 0212345678 0 PUBLIC ");
    EXPECT_EQ(receivedCall(u"D\r\nSignal:1\r\nNumber:\r\nEnd\r\n")[1], u"0 0 0 0  0  ");
}

TEST_F(ReportDecoder, CallReportsGoWholeToSinksInCppJustBeforeTheirText) {
    size_t reportedBeforeText = 0;
    sink.onEvent = [&](const RecordedEvent& event) {
        if (event.name == "ReceiveCallByString") reportedBeforeText = sink.calls.size();
    };
    // Blanks and another field's title in the number, the diagnostic's label and a lone carriage
    // return in the name.
    const Text number = u"02 1234 Name:x", name = u"ProcessReport(): gRxData:Kim\rLee";
    port.receive(u"Report\r\nE\r\nTime:03050907\r\nNumber:" + number + u"\r\nName:" + name +
                 u"\r\nGroup:2\r\nType:V\r\nEnd\r\n");
    EXPECT_EQ(sink.calls, (std::vector<CallReport>{{2, {3, 5, 9, 7, number, name, 2, u"VIP"}}}));
    EXPECT_EQ(reportedBeforeText, 1u);
    EXPECT_EQ(sink.params("ReceiveCallByString", 1),
              (std::vector<Text>{u"3 5 9 7 02 1234 Name:x 2 VIP "}));
}

TEST_F(ReportDecoder, OtherLettersConsumeOnlyTheTypeLine) {
    for (const char16_t* letter : {u"X", u"d"}) {
        sink.clear();
        fillBuffer(Text(letter) + u"\r\nTime:03050907\r\nEnd\r\n");
        control.ProcessReport();
        EXPECT_EQ(sink.events.size(), 1u);
        EXPECT_EQ(buffer(), u"Time:03050907\r\nEnd\r\n");
    }
}

TEST_F(ReportDecoder, WithoutATypeLineOnlyTheMessageIsDropped) {
    control.ProcessReport();
    EXPECT_EQ(sink.events,
              (std::vector<RecordedEvent>{{"DebugMsg", {u"ProcessReport(): gRxData:"}}}));
    fillBuffer(u"End\r\nReport\r\nB\r\nEnd\r\n");
    control.ProcessReport();
    EXPECT_EQ(buffer(), u"Report\r\nB\r\nEnd\r\n");
}

TEST_F(ReportDecoder, AFailingFieldEndsTheDecodeForADirectCaller) {
    fillBuffer(call(u"D", u"03050907", u"Group:99999", u"S"));
    try {
        control.ProcessReport();
        ADD_FAILURE() << "no failure";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), 6);
    }
    EXPECT_EQ(sink.events.size(), 2u);
    EXPECT_EQ(buffer(), u"Type:S\r\nEnd\r\n");

    fillBuffer(u"E\r\nTime:0305");
    EXPECT_THROW(control.ProcessReport(), RuntimeError);
    EXPECT_EQ(buffer(), u"0305");
}

}  // namespace
}  // namespace velko
