#include "link/ack_wait.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <vector>

#include "support/fake_platform.h"

namespace velko {
namespace {

using namespace std::chrono_literals;

class AckWait : public ::testing::Test {
  protected:
    void SetUp() override {
        timer.setOnTick([this] { timerTick(state); });
        port.setPortOpen(true);
    }

    // The timer's tick arrives as a notification of the loop, like every other one.
    void postTick() {
        loop.post([this] {
            ++ticksDelivered;
            timer.tick();
        });
    }

    SharedState state;
    testing::FakeTimer timer;
    testing::FakeMessageLoop loop;
    testing::FakeSerialPort port;
    int ticksDelivered = 0;
};

TEST_F(AckWait, RunsOutAtTheEleventhTickAndSwitchesTheTimerOff) {
    state.gAckReceived = true;
    state.gTimerTicks = 50;
    loop.onIdle = [this] { postTick(); };
    EXPECT_FALSE(waitForAck(state, timer, loop, port));
    EXPECT_EQ(ticksDelivered, 11);
    EXPECT_EQ(state.gTimerTicks, 11);
    // It blocked once between passes instead of spinning.
    EXPECT_EQ(loop.idleCalls, 11);
    EXPECT_FALSE(timer.enabled());
    timer.tick();
    EXPECT_EQ(state.gTimerTicks, 11);
}

TEST_F(AckWait, EndsWhenTheFlagIsSetBetweenTicks) {
    loop.onIdle = [this] {
        if (ticksDelivered < 3) return postTick();
        loop.post([this] { state.gAckReceived = true; });
    };
    EXPECT_TRUE(waitForAck(state, timer, loop, port));
    EXPECT_EQ(ticksDelivered, 3);
    // The pass that brought the flag ends the wait without blocking once more.
    EXPECT_EQ(loop.idleCalls, 4);
    EXPECT_FALSE(timer.enabled());
}

TEST_F(AckWait, CountsAnAcknowledgementThatArrivesWithTheEleventhTick) {
    loop.onIdle = [this] {
        postTick();
        if (ticksDelivered == 10) loop.post([this] { state.gAckReceived = true; });
    };
    EXPECT_TRUE(waitForAck(state, timer, loop, port));
    EXPECT_EQ(state.gTimerTicks, 11);
}

TEST_F(AckWait, EndsAtItsOwnLimitWhenANestedWaitHasTakenTheTimerAndCounter) {
    loop.onIdle = [this] {
        stopAckWait(timer);
        state.gTimerTicks = 0;
    };
    EXPECT_FALSE(waitForAck(state, timer, loop, port, 20ms));
    EXPECT_GT(loop.idleCalls, 0);
}

TEST_F(AckWait, EndsInThePassThatClosedThePort) {
    loop.onIdle = [this] {
        if (ticksDelivered < 2) return postTick();
        loop.post([this] { port.setPortOpen(false); });
    };
    EXPECT_FALSE(waitForAck(state, timer, loop, port));
    EXPECT_EQ(loop.idleCalls, 3);
    EXPECT_FALSE(timer.enabled());
}

TEST_F(AckWait, SwitchesTheTimerOffWhenANotificationFails) {
    loop.post([] { throw std::runtime_error("failed notification"); });
    EXPECT_THROW(waitForAck(state, timer, loop, port), std::runtime_error);
    EXPECT_FALSE(timer.enabled());
}

// A loop that records the deadline of each block.
class RecordingLoop final : public MessageLoop {
  public:
    void runPending() override {}
    void waitForActivity(Clock::time_point deadline) override {
        deadlines.push_back(deadline);
        if (deadlines.size() == 3) onThirdBlock();
    }
    std::vector<Clock::time_point> deadlines;
    std::function<void()> onThirdBlock;
};

TEST_F(AckWait, BlocksUntilItsOwnDeadlineAboutElevenTicksFromItsStart) {
    RecordingLoop recording;
    recording.onThirdBlock = [this] { state.gAckReceived = true; };
    const auto before = MessageLoop::Clock::now();
    EXPECT_TRUE(waitForAck(state, timer, recording, port));
    const auto after = MessageLoop::Clock::now();
    ASSERT_EQ(recording.deadlines.size(), 3u);
    for (const auto deadline : recording.deadlines) {
        EXPECT_EQ(deadline, recording.deadlines.front());
        EXPECT_GE(deadline, before + 5500ms);
        EXPECT_LE(deadline, after + 6000ms);
    }
}

}  // namespace
}  // namespace velko
