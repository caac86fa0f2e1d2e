#include <gtest/gtest.h>

#include <vector>

#include "control/runtime_error.h"
#include "control/shared_state.h"
#include "control_class/velko_foxpro.h"
#include "support/control_test.h"
#include "support/expect_runtime_error.h"
#include "support/recording_sink.h"

namespace velko {
namespace {

using testing::RecordedEvent;

constexpr TextView kNextMessage = u"Report\r\nD\r\nTime:01020304\r\nName:other\r\nEnd\r\n";

// Titled record n: month n, day 1, 09:30, number "02" and n in three digits, group n mod 7.
Text record(int n, TextView type = u"S") {
    const Text digits = decimalText(1000 + n).substr(1);
    return u"Time:" + digits.substr(1) + u"010930\r\nNumber:02" + digits + u"\r\nName:이름" +
           digits + u"\r\nGroup:" + decimalText(n % 7) + u"\r\nType:" + Text(type) + u"\r\n";
}

RecordedEvent gathered(int max, int kind) {
    return {"ReceiveGatheredInfo", {decimalText(max), decimalText(kind)}};
}

CID_INFO entry(int16_t month, int16_t day, int16_t hour, int16_t min, Text number, Text name,
               int16_t group, Text type) {
    return {month, day, hour, min, number, name, group, type};
}

class ListDecoder : public testing::ControlTest {
  protected:
    const CidList& onlyList() const {
        EXPECT_EQ(sink.lists.size(), 1u);
        return sink.lists.at(0);
    }
};

TEST_F(ListDecoder, CallListFillsEveryFieldAndLeavesTheRestEmpty) {
    decode(
        u"a\r\nTime:03050907\r\nNumber:0212345678\r\nName:홍길동\r\nGroup:2\r\nType:S\r\n"
        u"Time:1231\r\nNumber:\r\nName:\r\nGroup:x\r\nType:b\r\nEnd\r\n");
    EXPECT_EQ(sink.events, std::vector{gathered(2, 97)});
    const CidList& list = onlyList();
    EXPECT_EQ(list[0], entry(3, 5, 9, 7, u"0212345678", u"홍길동", 2, u"NORMAL"));
    EXPECT_EQ(list[1], entry(12, 31, 0, 0, u"", u"", 0, u""));
    for (size_t i = 2; i < kCidListSize; ++i) EXPECT_EQ(list[i], CID_INFO{}) << i;
    EXPECT_EQ(buffer(), u"");
}

TEST_F(ListDecoder, EmptyListsStillRaiseTheirEvent) {
    decode(u"a\r\nTime:\r\nNumber:1\r\nEnd\r\n");
    decode(u"o\r\nEnd\r\n");
    decode(u"p\r\nx\r\nEnd\r\n");
    EXPECT_EQ(sink.events, (std::vector{gathered(0, 97), gathered(0, 111), gathered(0, 112)}));
    for (const CidList& list : sink.lists) EXPECT_EQ(list, CidList{});
    EXPECT_EQ(buffer(), u"");
}

TEST_F(ListDecoder, TitledListsReadSixtyRecordsAndDropTheRest) {
    Text records;
    for (int n = 1; n <= 65; ++n) records += record(n);
    for (char16_t key : TextView(u"ajo")) {
        sink.clear();
        decode(Text{key} + u"\r\n" + records + u"End\r\n" + Text(kNextMessage));
        EXPECT_EQ(sink.named("ReceiveGatheredInfo"), std::vector{gathered(60, key)});
        const CidList& list = onlyList();
        EXPECT_EQ(list[59].lNumber, u"02060");
        EXPECT_EQ(list[60], CID_INFO{});
        EXPECT_EQ(buffer(), kNextMessage) << static_cast<char>(key);
        velko_var().gRxData.clear();
    }
}

TEST_F(ListDecoder, RejectedListCountsThenDiscardsBeforeItsEvent) {
    Text bufferDuringEvent = u"untouched";
    sink.onEvent = [&](const RecordedEvent& event) {
        if (event.name == "ReceiveGatheredInfo") bufferDuringEvent = buffer();
    };
    decode(u"j\r\n" + record(1, u"B") + record(2, u"V") + record(3, u"P") +
           u"Time:11220833\r\nNumber:\r\nName:z\r\nEnd\r\n" + Text(kNextMessage));
    EXPECT_EQ(sink.events,
              (std::vector<RecordedEvent>{{"DebugMsg", {u"거부 번호 갯수:3"}}, gathered(3, 106)}));
    EXPECT_EQ(bufferDuringEvent, kNextMessage);
    EXPECT_EQ(buffer(), kNextMessage);
    const CidList& list = onlyList();
    EXPECT_EQ(list[0], entry(1, 1, 9, 30, u"02001", u"이름001", 1, u"BLACK"));
    EXPECT_EQ(list[2].lTelType, u"NO_DISP");
    EXPECT_EQ(list[3], entry(11, 22, 8, 33, u"", u"", 0, u""));
}

TEST_F(ListDecoder, NumberListKeepsOnlyNumberNameAndGroup) {
    Text bufferDuringEvent;
    sink.onEvent = [&](const RecordedEvent&) { bufferDuringEvent = buffer(); };
    decode(u"o\r\n" + record(4, u"C") + u"Time:1\r\nNumber:\r\nEnd\r\n");
    EXPECT_EQ(sink.events, std::vector{gathered(1, 111)});
    EXPECT_EQ(onlyList()[0], entry(0, 0, 0, 0, u"02004", u"이름004", 4, u""));
    EXPECT_EQ(bufferDuringEvent, u"End\r\n");
    EXPECT_EQ(buffer(), u"");
}

TEST_F(ListDecoder, GroupListEndsOnANumberOutsideOneToSix) {
    decode(u"p\r\n1\r\n가족\r\n2\r\n\r\n3.4\r\n친구\r\n0\r\n4\r\nnot read\r\nEnd\r\n");
    decode(u"p\r\n1\r\na\r\n2\r\nb\r\n3\r\nc\r\n4\r\nd\r\n5\r\ne\r\n6\r\nf\r\n1\r\ng\r\nEnd\r\n");
    EXPECT_EQ(sink.events, (std::vector{gathered(3, 112), gathered(6, 112)}));
    ASSERT_EQ(sink.lists.size(), 2u);
    EXPECT_EQ(sink.lists[0][0], entry(0, 0, 0, 0, u"", u"가족", 1, u""));
    EXPECT_EQ(sink.lists[0][1], entry(0, 0, 0, 0, u"", u"", 2, u""));
    EXPECT_EQ(sink.lists[0][2], entry(0, 0, 0, 0, u"", u"친구", 3, u""));
    EXPECT_EQ(sink.lists[1][5], entry(0, 0, 0, 0, u"", u"f", 6, u""));
    EXPECT_EQ(sink.lists[1][6], CID_INFO{});
    EXPECT_EQ(buffer(), u"");
}

TEST_F(ListDecoder, GroupListEndingOnItsEndLineLeavesTheNextMessage) {
    for (TextView body : {u"p\r\n1\r\n가족\r\nEnd\r\n", u"p\r\n1\r\nEnd\r\n"}) {
        decode(Text(body) + Text(kNextMessage));
        EXPECT_EQ(buffer(), kNextMessage) << toUtf8(body);
        velko_var().gRxData.clear();
    }
    EXPECT_EQ(sink.events, (std::vector{gathered(1, 112), gathered(1, 112)}));
    EXPECT_EQ(sink.lists.at(1)[0].lName, u"End");
}

TEST_F(ListDecoder, MissingNameIsTakenFromTheNextRecordOfTheSameMessageOnly) {
    decode(u"a\r\nTime:01010101\r\nNumber:1\r\nGroup:1\r\nType:S\r\n" + record(2) + u"End\r\n");
    const CidList& list = sink.lists.at(0);
    EXPECT_EQ(sink.events, std::vector{gathered(1, 97)});
    EXPECT_EQ(list[0], entry(1, 1, 1, 1, u"1", u"이름002", 2, u"NORMAL"));

    sink.clear();
    velko_var().gRxData.clear();
    decode(u"a\r\nTime:01010101\r\nNumber:1\r\nGroup:1\r\nType:S\r\nEnd\r\n" + Text(kNextMessage));
    EXPECT_EQ(sink.events, std::vector{gathered(1, 97)});
    EXPECT_EQ(onlyList()[0], entry(1, 1, 1, 1, u"1", u"", 1, u"NORMAL"));
    EXPECT_EQ(buffer(), kNextMessage);
}

TEST_F(ListDecoder, OverflowingGroupEndsTheDecodeWithoutEventOrDiscard) {
    velko_var().gRxData.append(u"a\r\n" + record(1) +
                               u"Time:01010101\r\nNumber:2\r\nName:n\r\nGroup:32768\r\nType:S\r\n"
                               u"End\r\n");
    testing::expectRuntimeError(error_number::kOverflow, [&] { control.ProcessResponse(); });
    EXPECT_TRUE(sink.events.empty());
    EXPECT_EQ(buffer(), u"Type:S\r\nEnd\r\n");
}

TEST_F(ListDecoder, ListArrivingOnThePortIsDecoded) {
    Text port = u"COM3";
    Text error;
    ASSERT_EQ(control.OpenVelko(port, error), 0);
    platform.lastPort->receive(u"Response\r\no\r\n" + record(5));
    platform.lastPort->receive(u"End\r\n");
    EXPECT_EQ(sink.named("ReceiveGatheredInfo"), std::vector{gathered(1, 111)});
    EXPECT_EQ(onlyList()[0].lNumber, u"02005");
    EXPECT_EQ(buffer(), u"");
}

}  // namespace
}  // namespace velko
