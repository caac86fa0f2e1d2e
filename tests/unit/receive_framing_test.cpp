#include "link/receive_framing.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "control/runtime_error.h"
#include "control/velko_foxpro.h"
#include "support/fake_platform.h"
#include "support/recording_sink.h"

namespace velko {
namespace {

using testing::RecordedEvent;
using Names = std::vector<std::string>;

constexpr TextView kHookOn = u"Report\r\nB\r\nEnd\r\n";
constexpr TextView kHookOff = u"Report\r\nC\r\nEnd\r\n";

class ReceiveFraming : public ::testing::Test {
  protected:
    void SetUp() override {
        velko_var() = SharedState{};
        clearPendingError();
        control.events().advise(sink);
        Text name = u"COM3";
        Text error;
        ASSERT_EQ(control.OpenVelko(name, error), 0);
    }
    void TearDown() override {
        velko_var() = SharedState{};
        clearPendingError();
    }

    static Text rest() { return Text(velko_var().gRxData.view()); }
    std::vector<Text> debugTexts() const { return sink.params("DebugMsg"); }

    testing::FakePlatform platform;
    velko_foxpro control{platform};
    testing::FakeSerialPort& port = *platform.lastPort;
    testing::RecordingSink sink;
};

TEST_F(ReceiveFraming, ANotificationWithoutDataDoesNothing) {
    velko_var().gRxData.append(u"ACK Report\r\nB\r\nEnd\r\n");
    port.notifyWithoutData();
    EXPECT_TRUE(sink.events.empty());
    EXPECT_FALSE(velko_var().gAckReceived);
    EXPECT_EQ(rest(), u"ACK Report\r\nB\r\nEnd\r\n");
}

TEST_F(ReceiveFraming, AMessageSplitOverChunksIsDecodedWhenItsEndLineIsComplete) {
    for (const char16_t* chunk : {u"ACK\r\nRep", u"ort\r\nB\r", u"\nEn", u"d\r"}) {
        port.receive(chunk);
    }
    EXPECT_EQ(sink.names(), (Names{"ReceiveReal", "ReceiveReal", "ReceiveReal", "ReceiveReal"}));
    EXPECT_EQ(sink.params("ReceiveReal")[1], u"ort\r\nB\r");
    port.receive(u"\n");
    EXPECT_EQ(debugTexts()[0], u"전체수신데이터:ACK\r\nReport\r\nB\r\nEnd\r\n");
    EXPECT_EQ(debugTexts()[1], u"s1:idx=6\r\n");
    EXPECT_EQ(sink.params("HookEvent"), std::vector<Text>{u"True"});
    EXPECT_EQ(rest(), u"");
}

TEST_F(ReceiveFraming, EveryCompleteMessageIsDecodedAtOnceInArrivalOrder) {
    port.receive(Text(kHookOn) + Text(kHookOff) + u"Resp");
    EXPECT_EQ(sink.params("HookEvent"), (std::vector<Text>{u"True", u"False"}));
    EXPECT_EQ(debugTexts()[3], u"전체수신데이터:Report\r\nC\r\nEnd\r\nResp");
    EXPECT_EQ(rest(), u"Resp");

    // Whichever header comes first is handled first; the response decoder's own events are
    // not the concern here, so the response carries a key it does not know.
    const auto position = [&](const RecordedEvent& wanted) {
        return std::find(sink.events.begin(), sink.events.end(), wanted) - sink.events.begin();
    };
    const RecordedEvent hookOff{"HookEvent", {u"False"}};
    const RecordedEvent response{"DebugMsg", {u"전체수신데이터:Response\r\nZ\r\nEnd\r\n"}};
    sink.clear();
    port.receive(u"onse\r\nZ\r\nEnd\r\n" + Text(kHookOff));
    EXPECT_EQ(debugTexts()[0], u"전체수신데이터:Response\r\nZ\r\nEnd\r\n" + Text(kHookOff));
    EXPECT_EQ(sink.named("HookEvent").size(), 1u);

    sink.clear();
    port.receive(Text(kHookOff) + u"Response\r\nZ\r\nEnd\r\n");
    EXPECT_LT(position(hookOff), position(response));
    EXPECT_LT(position(response), static_cast<std::ptrdiff_t>(sink.events.size()));
    EXPECT_EQ(rest(), u"");
}

TEST_F(ReceiveFraming, AHeaderWaitsForAnEndLineOfItsOwn) {
    port.receive(u"noiseEnd\r\nReport\r\nD\r\nTime:0305");
    EXPECT_EQ(sink.names(), Names{"ReceiveReal"});
    port.receive(u"0907\r\nType:S\r\nEnd\r\n");
    EXPECT_EQ(sink.params("ReceiveCallByString", 1), std::vector<Text>{u"3 5 9 7  0 NORMAL "});
}

TEST_F(ReceiveFraming, TextWithoutAHeaderIsDroppedThroughItsLastEndLine) {
    port.receive(u"ACK\r\nxEnd\r\nreport\r\nB\r\nEnd\r\nRepo");
    EXPECT_EQ(debugTexts(),
              (std::vector<Text>{u"전체수신데이터:ACK\r\nxEnd\r\nreport\r\nB\r\nEnd\r\nRepo",
                                 u"s1:idx=0\r\n"}));
    EXPECT_TRUE(sink.named("HookEvent").empty());
    // What follows the last end line may begin the next message.
    EXPECT_EQ(rest(), u"Repo");
    port.receive(u"rt\r\nB\r\nEnd\r\n");
    EXPECT_EQ(sink.params("HookEvent"), std::vector<Text>{u"True"});

    // Markers count wherever they stand, but only with their exact letters and line end.
    sink.clear();
    port.receive(u"My Report\r\nC\r\nEnd\r\n");
    EXPECT_EQ(sink.params("HookEvent"), std::vector<Text>{u"False"});
    sink.clear();
    port.receive(u"Report B\r\nEnd\r\n");
    EXPECT_TRUE(sink.named("HookEvent").empty());
}

TEST_F(ReceiveFraming, AFailingDecodeIsReportedAndTheNextMessageStillDecoded) {
    port.receive(
        u"Report\r\nD\r\nTime:03050907\r\nGroup:99999\r\nType:S\r\nEnd\r\n"
        u"Report\r\nB\r\nEnd\r\n");
    EXPECT_TRUE(sink.named("ReceiveCallByString").empty());
    EXPECT_EQ(debugTexts()[4], u"디코딩오류:6 Overflow");
    EXPECT_EQ(sink.params("HookEvent"), std::vector<Text>{u"True"});
    EXPECT_EQ(rest(), u"");
    EXPECT_FALSE(pendingError().has_value());
}

TEST_F(ReceiveFraming, APortFailureReachesTheNotifier) {
    Text ignored;
    control.CloseVelko(ignored, ignored);
    try {
        port.receive(u"x");
        ADD_FAILURE() << "no failure";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), 8018);
    }
}

TEST_F(ReceiveFraming, AnAcknowledgementCountsOnceEvenWhenSplit) {
    port.receive(u"ACK\r\nResp");
    EXPECT_TRUE(velko_var().gAckReceived);
    velko_var().gAckReceived = false;
    // The old "ACK" is still in the buffer but does not acknowledge again.
    port.receive(u"onse\r\n");
    EXPECT_FALSE(velko_var().gAckReceived);

    for (const char16_t* chunk : {u"A", u"C", u"K"}) port.receive(chunk);
    EXPECT_TRUE(velko_var().gAckReceived);
    velko_var().gAckReceived = false;
    port.receive(u"xAC");
    port.receive(u"k");
    EXPECT_FALSE(velko_var().gAckReceived);
    // Inside a message body it counts as well.
    port.receive(u"Name:JACK\r\n");
    EXPECT_TRUE(velko_var().gAckReceived);
}

TEST_F(ReceiveFraming, TheBufferNeverHoldsMoreThan32767Characters) {
    port.receive(Text(40000, u'x') + u"Respons");
    EXPECT_EQ(debugTexts(), std::vector<Text>{u"수신버퍼초과삭제:39998"});
    EXPECT_EQ(rest(), u"xxRespons");

    // A header that may start a message still arriving is kept, with what follows it.
    sink.clear();
    port.receive(Text(32100, u'y') + u"Report\r\nB\r\n" + Text(700, u'z'));
    EXPECT_EQ(debugTexts(), std::vector<Text>{u"수신버퍼초과삭제:32109"});
    EXPECT_EQ(rest().substr(0, 11), u"Report\r\nB\r\n");
    port.receive(u"End\r\n");
    EXPECT_EQ(sink.params("HookEvent"), std::vector<Text>{u"True"});
}

TEST_F(ReceiveFraming, MessagesArrivingDuringADecodeWaitForIt) {
    // A host handler that lets the message loop run while it handles the first message.
    sink.onEvent = [&](const RecordedEvent& event) {
        if (event == RecordedEvent{"HookEvent", {u"True"}}) port.receive(Text(kHookOff) + u"ACK");
    };
    port.receive(Text(kHookOn));
    EXPECT_TRUE(velko_var().gAckReceived);
    const Names names = sink.names();
    EXPECT_EQ(Names(names.begin() + 4, names.end()),
              (Names{"HookEvent", "ReceiveReal", "DebugMsg", "DebugMsg", "DebugMsg", "HookEvent"}));
    EXPECT_EQ(sink.params("HookEvent"), (std::vector<Text>{u"True", u"False"}));
    EXPECT_EQ(rest(), u"ACK");
}

}  // namespace
}  // namespace velko
