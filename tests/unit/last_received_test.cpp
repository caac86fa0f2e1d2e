// The members that read the last call report and the last list field by field: what a handler
// reads, what they answer after it and before anything came, and the errors of a bad index.
// (Sixty stored calls, and the members called by name: tests/integration/test_shell_records.py
// and tests/win/client_records_test.cpp.)
#include "control/last_received.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/expect_runtime_error.h"
#include "support/open_control_test.h"

namespace velko {
namespace {

using testing::RecordedEvent;

Text callReport(TextView letter, TextView number, TextView name) {
    return u"Report\r\n" + Text(letter) + u"\r\nTime:03050907\r\nNumber:" + Text(number) +
           u"\r\nName:" + Text(name) + u"\r\nGroup:2\r\nType:S\r\nEnd\r\n";
}

// Stored call n: 12-n 08:0n, number 0200000n, name 이름n, group n mod 7, type VIP.
Text storedCall(int n) {
    const Text digits = decimalText(100 + n).substr(1);
    return u"Time:12" + digits + u"08" + digits + u"\r\nNumber:020000" + digits + u"\r\nName:이름" +
           decimalText(n) + u"\r\nGroup:" + decimalText(n % 7) + u"\r\nType:V\r\n";
}

class LastReceivedMembers : public testing::OpenControlTest {
  protected:
    // Every field of the call report, as a handler reads them.
    std::vector<Text> callFields() {
        return {decimalText(control.LastCallState()),
                decimalText(control.LastCallMonth()),
                decimalText(control.LastCallDay()),
                decimalText(control.LastCallHour()),
                decimalText(control.LastCallMin()),
                control.LastCallNumber(),
                control.LastCallName(),
                decimalText(control.LastCallGroup()),
                control.LastCallTelType()};
    }
    std::vector<Text> listFields(int16_t index) {
        return {decimalText(control.LastListMonth(index)),
                decimalText(control.LastListDay(index)),
                decimalText(control.LastListHour(index)),
                decimalText(control.LastListMin(index)),
                control.LastListNumber(index),
                control.LastListName(index),
                decimalText(control.LastListGroup(index)),
                control.LastListTelType(index)};
    }
    // Every member with an index goes through the same check.
    void expectNoEntry(int16_t index) {
        testing::expectRuntimeError(error_number::kSubscriptOutOfRange,
                                    [&] { control.LastListName(index); });
        testing::expectRuntimeError(error_number::kSubscriptOutOfRange,
                                    [&] { control.LastListMin(index); });
    }
};

TEST_F(LastReceivedMembers, BeforeAnythingCameTheCallIsEmptyAndTheListHoldsNothing) {
    EXPECT_EQ(callFields(), (std::vector<Text>{u"0", u"0", u"0", u"0", u"0", u"", u"", u"0", u""}));
    EXPECT_EQ(control.LastListKind(), 0);
    EXPECT_EQ(control.LastListCount(), 0);
    expectNoEntry(1);
    expectNoEntry(0);
}

TEST_F(LastReceivedMembers, TheCallsHandlerReadsTheNameAndItStaysUntilTheNextCall) {
    std::vector<Text> inHandler;
    sink.onEvent = [&](const RecordedEvent& event) {
        if (event.name == "ReceiveCallByString") inHandler = callFields();
    };
    port.receive(callReport(u"D", u"0212345678", u"홍길동"));
    const std::vector<Text> first{u"1",          u"3",      u"5", u"9",     u"7",
                                  u"0212345678", u"홍길동", u"2", u"NORMAL"};
    EXPECT_EQ(inHandler, first);
    EXPECT_EQ(callFields(), first);

    // A hook report and a list leave the call as it was.
    port.receive(u"Report\r\nB\r\nEnd\r\nResponse\r\na\r\n" + storedCall(1) + u"End\r\n");
    EXPECT_EQ(callFields(), first);

    // A report without name or type: the next call's fields replace every one of the last's.
    port.receive(u"Report\r\nE\r\nTime:1231\r\nNumber:031\r\nEnd\r\n");
    EXPECT_EQ(callFields(),
              (std::vector<Text>{u"2", u"12", u"31", u"0", u"0", u"031", u"", u"0", u""}));
}

TEST_F(LastReceivedMembers, AListsHandlerReadsItsEntriesAndTheNextListReplacesThem) {
    std::vector<std::vector<Text>> inHandler;
    sink.onEvent = [&](const RecordedEvent& event) {
        if (event.name != "ReceiveGatheredInfo") return;
        EXPECT_EQ(control.LastListKind(), 97);
        for (int16_t i = 1; i <= control.LastListCount(); ++i) inHandler.push_back(listFields(i));
    };
    port.receive(u"Response\r\na\r\n" + storedCall(1) + storedCall(60) + u"End\r\n");
    ASSERT_EQ(inHandler.size(), 2u);
    EXPECT_EQ(inHandler[1],
              (std::vector<Text>{u"12", u"60", u"8", u"60", u"02000060", u"이름60", u"4", u"VIP"}));
    // After the handler the list stays; beyond its count, and below 1, there is no entry.
    EXPECT_EQ(listFields(2), inHandler[1]);
    expectNoEntry(3);
    expectNoEntry(0);
    expectNoEntry(-1);
    sink.onEvent = nullptr;

    // The rejected numbers: the entry after the last counted one keeps a time, but is no entry.
    port.receive(u"Response\r\nj\r\n" + storedCall(3) + u"Time:01020304\r\nNumber:\r\nEnd\r\n");
    EXPECT_EQ(control.LastListKind(), 106);
    EXPECT_EQ(control.LastListCount(), 1);
    EXPECT_EQ(control.LastListNumber(1), u"02000003");
    expectNoEntry(2);

    port.receive(u"Response\r\np\r\n1\r\n가족\r\n9\r\nEnd\r\n");
    EXPECT_EQ(control.LastListKind(), 112);
    EXPECT_EQ(control.LastListCount(), 1);
    EXPECT_EQ(listFields(1), (std::vector<Text>{u"0", u"0", u"0", u"0", u"", u"가족", u"1", u""}));

    port.receive(u"Response\r\no\r\nNumber:\r\nEnd\r\n");
    EXPECT_EQ(control.LastListKind(), 111);
    EXPECT_EQ(control.LastListCount(), 0);
    expectNoEntry(1);
}

}  // namespace
}  // namespace velko
