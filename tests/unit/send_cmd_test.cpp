#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "control/runtime_error.h"
#include "control/shared_state.h"
#include "control_class/velko_foxpro.h"
#include "support/fake_platform.h"
#include "support/open_control_test.h"
#include "support/recording_sink.h"

namespace velko {
namespace {

const Text kDateMessage = u"날짜 형식이 맞지 않음(형식 MM-DD), 입력값=";
const Text kTimeMessage = u"시간 형식이 맞지 않음(형식 HH:MM), 입력값=";
const Text kNoAckMessage = u"VELKO 단말기와 통신이 안됨";

bool contains(const std::vector<Text>& texts, const Text& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

class SendCmd : public testing::OpenControlTest {
  protected:
    // Whenever the control waits, the terminal sends the next of these texts; after the last one
    // the timer ticks.
    void terminalSends(std::vector<Text> replies) {
        platform.loop.onIdle = [this, replies, next = size_t{0}]() mutable {
            if (next < replies.size()) return port.receive(replies[next++]);
            timer.tick();
        };
    }

    bool send(uint8_t cmd, Text p1 = {}, Text p2 = {}, Text p3 = {}) {
        para1 = std::move(p1);
        para2 = std::move(p2);
        para3 = std::move(p3);
        return control.SendCmd(cmd, para1, para2, para3);
    }

    Text para1, para2, para3;
};

TEST_F(SendCmd, WritesTheOpeningAndAfterTheAcknowledgementTheBody) {
    struct Case {
        uint8_t cmd;
        Text p1, p2, p3;
        Text body, p1After, p2After;
    };
    const std::vector<Case> cases{
        {68, u"12-25", u"09:30", u"", u"D\r1225\r0930\r]", u"1225", u"0930"},
        {68, u"ab-cd", u"xy:zw", u"x", u"D\rabcd\rxyzw\rx\r]", u"abcd", u"xyzw"},
        {69, u"09:30", u"p2", u"p3", u"E\r0930\rp2\rp3\r]", u"0930", u"p2"},
        {70, u"1", u"", u"", u"F\r1\r]", u"1", u""},
        {70, u"6", u"", u"", u"F\r6\r]", u"6", u""},
        {70, u"2.5", u"", u"", u"F\r2.5\r]", u"2.5", u""},
        {70, u"5x", u"", u"x", u"F\r5x\rx\r]", u"5x", u""},
        {71, u"02", u"", u"", u"G\r0\r]", u"0", u""},
        {71, u"055", u"x", u"", u"G\rb\rx\r]", u"b", u"x"},
        {71, u"064", u"", u"", u"G\rf\r]", u"f", u""},
        {'d', u"", u"", u"", u"d\r]", u"", u""},
        {'d', u"", u"12-25", u"", u"d\r12-25\r]", u"", u"12-25"},
        {'Z', u"a", u"b", u"c", u"Z\ra\rb\rc\r]", u"a", u"b"},
        {200, u"", u"", u"", u"\u00C8\r]", u"", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(toUtf8(c.body));
        port.writes.clear();
        terminalSends({u"ACK"});
        EXPECT_TRUE(send(c.cmd, c.p1, c.p2, c.p3));
        EXPECT_EQ(port.writes, (std::vector<Text>{u"[", c.body}));
        EXPECT_EQ(para1, c.p1After);
        EXPECT_EQ(para2, c.p2After);
        EXPECT_EQ(para3, c.p3);
        EXPECT_FALSE(timer.enabled());
    }
    // The alarm melody is sent like any other command and leaves no message behind.
    EXPECT_EQ(control.GetCurrentErrorMsg(), u"");
    EXPECT_TRUE(contains(sink.params("DebugMsg"), u"멜로디 번호:2.5"));
}

TEST_F(SendCmd, RejectsBadParametersWithoutTouchingTheLine) {
    struct Case {
        uint8_t cmd;
        Text p1, p2, message;
    };
    const Text area = u"지역번호가 잘못 입력되었습니다. 입력된 지역번호는 ";
    const Text melody = u"알람 멜로디 번호가 1~6 범위 내에 있지 않습니다.";
    const std::vector<Case> cases{
        {68, u"1225", u"09:30", kDateMessage + u"1225"},
        {68, u"12/25", u"0930", kDateMessage + u"12/25\r\n" + kTimeMessage + u"0930"},
        {68, u"12-25", u"9:30", kTimeMessage + u"9:30"},
        {69, u"09-30", u"", kTimeMessage + u"09-30"},
        {70, u"0", u"", melody},
        {70, u"7", u"", melody},
        {70, u"6.5", u"", melody},
        {70, u"", u"", melody},
        {71, u"31", u"", area + u"31 입니다."},
        {71, u"", u"", area + u" 입니다."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(toUtf8(c.message));
        velko_var().gErrorMsg = u"unread";
        EXPECT_FALSE(send(c.cmd, c.p1, c.p2));
        EXPECT_EQ(control.GetCurrentErrorMsg(), c.message);
        EXPECT_EQ(para1, c.p1);
        EXPECT_EQ(para2, c.p2);
    }
    EXPECT_TRUE(port.writes.empty());
    EXPECT_EQ(platform.loop.idleCalls, 0);
    EXPECT_TRUE(contains(sink.params("DebugMsg"), u"멜로디 번호:7"));
    EXPECT_TRUE(contains(sink.params("DebugMsg"), u"멜로디 번호:"));
}

TEST_F(SendCmd, KeepsTheRewrittenValuesWhichThenFailTheDateTest) {
    terminalSends({u"ACK"});
    EXPECT_TRUE(send(68, u"12-25", u"09:30"));
    uint8_t again = 68;
    EXPECT_FALSE(control.SendCmd(again, para1, para2, para3));
    EXPECT_EQ(control.GetCurrentErrorMsg(), kDateMessage + u"1225\r\n" + kTimeMessage + u"0930");
    EXPECT_EQ(port.writes.size(), 2u);
}

TEST_F(SendCmd, FailsOnAClosedPortWhateverItIsGiven) {
    Text ignored;
    control.CloseVelko(ignored, ignored);
    EXPECT_FALSE(send(68, u"bad", u"bad"));
    EXPECT_EQ(control.GetCurrentErrorMsg(), u"통신 포트가 OPEN 되지 않았습니다.");
    EXPECT_EQ(para1, u"bad");
    EXPECT_TRUE(port.writes.empty());
}

TEST_F(SendCmd, GivesUpAtTheEleventhTickAndIgnoresALateAcknowledgement) {
    terminalSends({u"ERR\r\n"});
    EXPECT_FALSE(send(68, u"12-25", u"09:30"));
    EXPECT_EQ(velko_var().gTimerTicks, 11);
    EXPECT_EQ(control.GetCurrentErrorMsg(), kNoAckMessage);
    EXPECT_EQ(para1, u"1225");
    EXPECT_FALSE(timer.enabled());
    port.receive(u"ACK");
    EXPECT_EQ(port.writes, std::vector<Text>{u"["});
}

TEST_F(SendCmd, LetsOtherTrafficReachTheHostWhileItWaits) {
    size_t writesAtHookEvent = 0;
    sink.onEvent = [&](const testing::RecordedEvent& event) {
        if (event.name == "HookEvent") writesAtHookEvent = port.writes.size();
    };
    terminalSends({u"Report\r\nB\r\nEnd\r\n", u"ACK"});
    EXPECT_TRUE(send('d'));
    EXPECT_EQ(sink.params("HookEvent"), std::vector<Text>{u"True"});
    EXPECT_EQ(writesAtHookEvent, 1u);
    EXPECT_EQ(port.writes.size(), 2u);
}

TEST_F(SendCmd, LetsAnEventHandlerSendACommandOfItsOwn) {
    bool innerResult = false;
    sink.onEvent = [&, nested = false](const testing::RecordedEvent& event) mutable {
        if (event.name != "ReceiveReal" || std::exchange(nested, true)) return;
        uint8_t cmd = 'a';
        Text a, b, c;
        innerResult = control.SendCmd(cmd, a, b, c);
    };
    terminalSends({u"RING\r\n", u"ACK"});
    EXPECT_TRUE(send('d'));
    EXPECT_TRUE(innerResult);
    EXPECT_EQ(port.writes, (std::vector<Text>{u"[", u"[", u"a\r]", u"d\r]"}));
}

TEST_F(SendCmd, TrapsARefusedWriteIntoFalseAndKeepsTheMessage) {
    velko_var().gErrorMsg = u"unread";
    sink.onEvent = [this](const testing::RecordedEvent&) { port.refuseWrites = true; };
    terminalSends({u"ACK"});
    EXPECT_FALSE(send('d'));
    EXPECT_FALSE(pendingError().has_value());
    EXPECT_EQ(control.GetCurrentErrorMsg(), u"unread");
    EXPECT_EQ(port.writes, std::vector<Text>{u"["});
}

// A port closed while the control waits (by an event handler here, by a vanished device in
// practice) ends the wait in that pass, even with the acknowledgement in the same chunk.
TEST_F(SendCmd, FailsAtOnceWithThePortNotOpenMessageWhenThePortClosesDuringTheWait) {
    for (const Text reply : {u"RING", u"ACK"}) {
        SCOPED_TRACE(toUtf8(reply));
        Text name = u"COM3", error;
        control.OpenVelko(name, error);
        sink.onEvent = [this](const testing::RecordedEvent&) {
            Text unused;
            control.CloseVelko(unused, unused);
        };
        port.writes.clear();
        terminalSends({reply});
        EXPECT_FALSE(send('d'));
        EXPECT_EQ(control.GetCurrentErrorMsg(), u"통신 포트가 OPEN 되지 않았습니다.");
        EXPECT_EQ(port.writes, std::vector<Text>{u"["});
        EXPECT_EQ(velko_var().gTimerTicks, 0);
        sink.onEvent = nullptr;
    }
}

}  // namespace
}  // namespace velko
