#include "link/receive_framing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "control/runtime_error.h"
#include "control_class/velko_foxpro.h"
#include "support/fake_platform.h"
#include "support/open_control_test.h"
#include "support/recording_sink.h"

namespace velko {
namespace {

using testing::RecordedEvent;
using Texts = std::vector<Text>;

const Text kHookOff = u"Report\r\nB\r\nEnd\r\n";
const Text kHookOn = u"Report\r\nC\r\nEnd\r\n";

class ReceiveFraming : public testing::OpenControlTest {
  protected:
    static bool acknowledged() { return std::exchange(velko_var().gAckReceived, false); }
    Texts debugTexts() const { return sink.params("DebugMsg"); }
    Texts hooks() const { return sink.params("HookEvent"); }
    // The characters the bound's diagnostics say went.
    size_t droppedByTheBound() const {
        const Text label = u"수신버퍼초과삭제:";
        size_t dropped = 0;
        for (const Text& text : debugTexts()) {
            if (text.starts_with(label)) dropped += std::stoul(toUtf8(text.substr(label.size())));
        }
        return dropped;
    }
    size_t indexOf(const RecordedEvent& event) const {
        return std::find(sink.events.begin(), sink.events.end(), event) - sink.events.begin();
    }
};

TEST_F(ReceiveFraming, AMessageSplitOverChunksIsDecodedWhenItsEndLineIsComplete) {
    port.notifyWithoutData();
    EXPECT_TRUE(sink.events.empty());
    for (const char16_t* chunk : {u"ACK\r\nRep", u"ort\r\nB\r", u"\nEn", u"d\r"})
        port.receive(chunk);
    EXPECT_EQ(sink.params("ReceiveReal"), (Texts{u"ACK\r\nRep", u"ort\r\nB\r", u"\nEn", u"d\r"}));
    EXPECT_TRUE(debugTexts().empty());
    port.receive(u"\n");
    EXPECT_EQ(debugTexts()[0], u"전체수신데이터:ACK\r\nReport\r\nB\r\nEnd\r\n");
    EXPECT_EQ(debugTexts()[1], u"s1:idx=6\r\n");
    EXPECT_EQ(hooks(), Texts{u"True"});
    EXPECT_EQ(buffer(), u"");
}

TEST_F(ReceiveFraming, EveryCompleteMessageIsDecodedAtOnceInArrivalOrder) {
    port.receive(kHookOff + kHookOn + u"Resp");
    EXPECT_EQ(hooks(), (Texts{u"True", u"False"}));
    EXPECT_EQ(debugTexts()[3], u"전체수신데이터:" + kHookOn);

    // The response decoder's own events are not the concern here: its key is one it ignores.
    const RecordedEvent response{"DebugMsg", {u"전체수신데이터:Response\r\nZ\r\nEnd\r\n"}};
    sink.clear();
    port.receive(u"onse\r\nZ\r\nEnd\r\n" + kHookOn);
    EXPECT_EQ(debugTexts()[0], u"전체수신데이터:Response\r\nZ\r\nEnd\r\n");
    EXPECT_EQ(hooks(), Texts{u"False"});
    sink.clear();
    port.receive(kHookOn + u"Response\r\nZ\r\nEnd\r\n");
    EXPECT_LT(indexOf({"HookEvent", {u"False"}}), indexOf(response));
    EXPECT_LT(indexOf(response), sink.events.size());
    EXPECT_EQ(buffer(), u"");
}

TEST_F(ReceiveFraming, AHeaderWaitsForAnEndLineOfItsOwn) {
    port.receive(u"noiseEnd\r\nReport\r\nD\r\nTime:0305");
    EXPECT_EQ(sink.events.size(), 1u);
    port.receive(u"0907\r\nType:S\r\nEnd\r\n");
    EXPECT_EQ(sink.params("ReceiveCallByString", 1), Texts{u"3 5 9 7  0 NORMAL "});
}

TEST_F(ReceiveFraming, TextWithoutAHeaderIsDroppedThroughItsLastEndLine) {
    port.receive(u"xEnd\r\nreport\r\nB\r\nReport B\r\nEnd\r\nRepo");
    EXPECT_EQ(debugTexts(), (Texts{u"전체수신데이터:xEnd\r\nreport\r\nB\r\nReport B\r\nEnd\r\n",
                                   u"s1:idx=0\r\n"}));
    EXPECT_EQ(buffer(), u"Repo");
    // What follows the last end line may begin the next message; markers count mid-line.
    port.receive(u"rt\r\nB\r\nEnd\r\nMy Report\r\nC\r\nEnd\r\n");
    EXPECT_EQ(hooks(), (Texts{u"True", u"False"}));
}

TEST_F(ReceiveFraming, AFailingDecodeIsReportedAndTheNextMessageStillDecoded) {
    const Text failing = u"Report\r\nD\r\nGroup:99999\r\nType:S\r\nEnd\r\n";
    port.receive(failing);
    ASSERT_EQ(debugTexts().size(), 5u);
    EXPECT_EQ(debugTexts()[4], u"디코딩오류:6 Overflow");
    EXPECT_EQ(buffer(), u"");
    EXPECT_FALSE(pendingError().has_value());
    port.receive(failing + kHookOff);
    EXPECT_TRUE(sink.named("ReceiveCallByString").empty());
    EXPECT_EQ(hooks(), Texts{u"True"});

    // A failure of the port itself reaches the notifier.
    Text ignored;
    control.CloseVelko(ignored, ignored);
    EXPECT_THROW(port.receive(u"x"), RuntimeError);
}

TEST_F(ReceiveFraming, AnAcknowledgementCountsOnceEvenWhenSplit) {
    port.receive(u"ACK\r\nResp");
    EXPECT_TRUE(acknowledged());
    port.receive(u"onse\r\n");
    EXPECT_FALSE(acknowledged());
    for (const char16_t* chunk : {u"A", u"C", u"K"}) port.receive(chunk);
    EXPECT_TRUE(acknowledged());
    port.receive(u"xAC");
    port.receive(u"k");
    EXPECT_FALSE(acknowledged());
    port.receive(u"Name:JACK\r\n");
    EXPECT_TRUE(acknowledged());
}

TEST_F(ReceiveFraming, TheBufferNeverHoldsMoreThan32767Characters) {
    port.receive(Text(40000, u'x') + u"Respons");
    EXPECT_EQ(debugTexts(), Texts{u"수신버퍼초과삭제:39998"});
    EXPECT_EQ(buffer(), u"xxRespons");

    // A header that may start a message still arriving is kept, with what follows it.
    sink.clear();
    port.receive(Text(32100, u'y') + kHookOff.substr(0, 11) + Text(700, u'z'));
    EXPECT_EQ(debugTexts(), Texts{u"수신버퍼초과삭제:32109"});
    port.receive(u"End\r\n");
    EXPECT_EQ(hooks(), Texts{u"True"});
}

TEST_F(ReceiveFraming, TheBoundNeverDropsACompleteMessage) {
    Text burst = u"noise";
    for (int i = 0; i < 3000; ++i) burst += i % 2 == 0 ? kHookOff : kHookOn;
    port.receive(burst + u"Repo");
    EXPECT_EQ(hooks().size(), 3000u);
    EXPECT_EQ(hooks().back(), u"False");
    EXPECT_EQ(debugTexts()[0], u"전체수신데이터:noise" + kHookOff);
    EXPECT_EQ(droppedByTheBound(), 0u);
    EXPECT_EQ(buffer(), u"Repo");
}

TEST_F(ReceiveFraming, AMessageLongerThanTheBoundIsDroppedWholeHoweverItArrives) {
    // A header inside the long message is part of it.
    const Text tooLong = u"Report\r\nD\r\nName:" + Text(32760, u'n') + kHookOn;
    const Text line = tooLong + kHookOff + u"xx";
    for (size_t piece : {line.size(), size_t{32770}, size_t{1000}}) {
        sink.clear();
        for (size_t at = 0; at < line.size(); at += piece) port.receive(line.substr(at, piece));
        EXPECT_EQ(hooks(), Texts{u"True"}) << piece;
        EXPECT_EQ(droppedByTheBound(), tooLong.size()) << piece;
        EXPECT_EQ(buffer(), u"xx");
        velko_var().gRxData.clear();
    }
}

TEST_F(ReceiveFraming, MessagesArrivingDuringADecodeWaitForIt) {
    // A host handler that lets the message loop run while it handles the first message.
    sink.onEvent = [&](const RecordedEvent& event) {
        if (event == RecordedEvent{"HookEvent", {u"True"}}) port.receive(kHookOn + u"ACK");
    };
    port.receive(kHookOff);
    EXPECT_TRUE(acknowledged());
    const size_t firstHook = indexOf({"HookEvent", {u"True"}});
    EXPECT_EQ(sink.events[firstHook + 1].name, "ReceiveReal");
    EXPECT_EQ(sink.events[firstHook + 2].params[0], u"전체수신데이터:" + kHookOn);
    EXPECT_EQ(hooks(), (Texts{u"True", u"False"}));
}

}  // namespace
}  // namespace velko
