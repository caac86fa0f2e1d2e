#include <gtest/gtest.h>

#include <string>
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

constexpr TextView kNextMessage = u"Response\r\nt\r\n7\r\nEnd\r\n";

RecordedEvent response(int msgType, Text rst1, Text rst2 = u"", Text rst3 = u"") {
    return {"ReceiveResponse", {decimalText(msgType), rst1, rst2, rst3}};
}

RecordedEvent debug(Text str) { return {"DebugMsg", {str}}; }

class ResponseDecoder : public testing::ControlTest {
  protected:
    void SetUp() override {
        ControlTest::SetUp();
        fillLookupTables(velko_var());
    }

    // The area code the answer with this index reports, or "none" when it reports nothing.
    Text areaFor(TextView index) {
        sink.clear();
        decode(u"g\r\n" + Text(index) + u"\r\nEnd\r\n");
        EXPECT_EQ(buffer(), u"") << toUtf8(index);
        if (sink.events.empty()) return u"none";
        EXPECT_EQ(sink.params("ReceiveResponse"), std::vector<Text>{u"103"});
        return sink.params("ReceiveResponse", 1).at(0);
    }
};

TEST_F(ResponseDecoder, DateAndTimeAreFormattedAfterTheirRawDiagnostic) {
    decode(u"d\r\n0305\r\n0907\r\nEnd\r\n");
    EXPECT_EQ(sink.events, (std::vector<RecordedEvent>{debug(u"ldate=0305  ltime=0907"),
                                                       response(100, u"03-05", u"09:07")}));
    EXPECT_EQ(buffer(), u"");
}

TEST_F(ResponseDecoder, ShortAndLongDateAndTimeFieldsGiveWhatTheyHave) {
    decode(u"d\r\n3\r\n\r\nEnd\r\n");
    decode(u"d\r\n030\r\n123456\r\nEnd\r\n");
    decode(u"e\r\n\r\nEnd\r\n");
    decode(u"e\r\n1234\r\nEnd\r\n");
    EXPECT_EQ(
        sink.named("ReceiveResponse"),
        (std::vector<RecordedEvent>{response(100, u"3-", u":"), response(100, u"03-0", u"12:34"),
                                    response(101, u":"), response(101, u"12:34")}));
    EXPECT_EQ(sink.params("DebugMsg").at(0), u"ldate=3  ltime=");
}

TEST_F(ResponseDecoder, PlainValuesPassAsReadAndOnlyNQAndXLeaveTheRestReadable) {
    Text bufferDuringEvent;
    sink.onEvent = [&](const RecordedEvent&) { bufferDuringEvent = buffer(); };
    for (char16_t key : TextView(u"fhinqrstux")) {
        const std::string name(1, static_cast<char>(key));
        sink.clear();
        decode(Text{key} + u"\r\n 0x7 값 \r\nmore\r\nEnd\r\n");
        EXPECT_EQ(sink.events, std::vector{response(key, u" 0x7 값 ")}) << name;
        const bool restReadable = key == u'n' || key == u'q' || key == u'x';
        EXPECT_EQ(bufferDuringEvent, restReadable ? u"more\r\nEnd\r\n" : u"") << name;
        EXPECT_EQ(buffer(), u"") << name;
    }
}

TEST_F(ResponseDecoder, AreaAnswerNamesAllSixteenAreas) {
    EXPECT_EQ(areaFor(u"0"), u"02");
    EXPECT_EQ(areaFor(u"9"), u"053");
    EXPECT_EQ(areaFor(u"a"), u"054");
    EXPECT_EQ(areaFor(u"f"), u"064");
    EXPECT_EQ(areaFor(u"15"), u"064");
    EXPECT_EQ(areaFor(u"x"), u"02");
    EXPECT_EQ(areaFor(u"ab"), u"02");
    EXPECT_EQ(areaFor(u""), u"02");
    EXPECT_EQ(areaFor(u"16"), u"none");
    EXPECT_EQ(areaFor(u"-1"), u"none");
}

TEST_F(ResponseDecoder, UnknownKeysRaiseNothingAndRemoveOnlyTheirMessage) {
    for (TextView body : {u"D\r\n0305\r\n0907\r\nEnd\r\n", u"z\r\n1\r\nEnd\r\n"}) {
        decode(Text(body) + Text(kNextMessage));
        EXPECT_EQ(buffer(), kNextMessage);
        velko_var().gRxData.clear();
    }
    EXPECT_TRUE(sink.events.empty());
}

TEST_F(ResponseDecoder, WithoutAKeyLineTheMessageIsDroppedAndTheNextSurvives) {
    for (TextView body : {u"xyz\r\nEnd\r\n", u"End\r\n"}) {
        decode(body);
        EXPECT_EQ(buffer(), u"") << toUtf8(body);
        decode(Text(body) + Text(kNextMessage));
        EXPECT_EQ(buffer(), kNextMessage) << toUtf8(body);
        velko_var().gRxData.clear();
    }
    EXPECT_TRUE(sink.events.empty());
}

TEST_F(ResponseDecoder, KeyCutFallsAfterTheFirstLineEndingInTheKey) {
    decode(u"tx\r\nlast\r\nvalue\r\nEnd\r\n");
    EXPECT_EQ(sink.events, std::vector{response(116, u"value")});
}

TEST_F(ResponseDecoder, IncompleteMessageIsLeftAlone) {
    decode(u"t\r\n1\r\nEn");
    EXPECT_TRUE(sink.events.empty());
    EXPECT_EQ(buffer(), u"t\r\n1\r\nEn");
}

TEST_F(ResponseDecoder, NextMessageSurvivesEveryDiscard) {
    for (TextView body : {u"t\r\nEnd\r\n", u"d\r\n0305\r\n0907\r\nEnd\r\n", u"n\r\n5\r\nEnd\r\n"}) {
        decode(Text(body) + Text(kNextMessage));
        EXPECT_EQ(buffer(), kNextMessage) << toUtf8(body);
        velko_var().gRxData.clear();
    }
    EXPECT_EQ(sink.params("ReceiveResponse", 1), (std::vector<Text>{u"End", u"03-05", u"5"}));
}

TEST_F(ResponseDecoder, OverflowingAreaIndexFailsAfterItsDiscardWithoutEvent) {
    velko_var().gRxData.append(u"g\r\n40000\r\nEnd\r\n");
    testing::expectRuntimeError(error_number::kOverflow, [&] { control.ProcessResponse(); });
    EXPECT_TRUE(sink.events.empty());
    EXPECT_EQ(buffer(), u"");
}

TEST_F(ResponseDecoder, ResponseArrivingOnThePortIsDecoded) {
    Text port = u"COM3";
    Text error;
    ASSERT_EQ(control.OpenVelko(port, error), 0);
    platform.lastPort->receive(u"ACK\r\nResponse\r\nd\r\n1231\r\n2359\r\nEnd\r\n");
    EXPECT_EQ(sink.named("ReceiveResponse"), std::vector{response(100, u"12-31", u"23:59")});
    EXPECT_EQ(buffer(), u"");
}

}  // namespace
}  // namespace velko
