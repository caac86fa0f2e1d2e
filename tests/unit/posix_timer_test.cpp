#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "platform/posix/poll_timer.h"

namespace velko::posix {
namespace {

using namespace std::chrono_literals;
using Clock = MessageLoop::Clock;

TEST(PollTimer, TicksEveryPeriodWhileEnabled) {
    PollLoop loop;
    PollTimer timer(loop);
    std::vector<Clock::time_point> ticks;
    timer.setOnTick([&] { ticks.push_back(Clock::now()); });
    const auto enabledAt = Clock::now();
    timer.setEnabled(true);
    EXPECT_TRUE(timer.enabled());
    ASSERT_TRUE(loop.runUntil([&] { return ticks.size() == 3; }, enabledAt + 3s));
    EXPECT_GE(ticks[0] - enabledAt, Timer::kInterval);
    for (size_t i = 1; i < ticks.size(); ++i) {
        EXPECT_GE(ticks[i] - ticks[i - 1], Timer::kInterval - 5ms);
        EXPECT_LT(ticks[i] - ticks[i - 1], Timer::kInterval + 100ms);
    }
}

TEST(PollTimer, DoesNotTickWhileDisabledOrAfterDestruction) {
    PollLoop loop;
    int ticks = 0;
    PollTimer disabled(loop);
    disabled.setOnTick([&] { ++ticks; });
    disabled.setEnabled(true);
    disabled.setEnabled(false);
    EXPECT_FALSE(disabled.enabled());
    {
        PollTimer destroyed(loop);
        destroyed.setOnTick([&] { ++ticks; });
        destroyed.setEnabled(true);
    }
    PollTimer disabledByItsTick(loop);
    disabledByItsTick.setOnTick([&] {
        ++ticks;
        disabledByItsTick.setEnabled(false);
    });
    disabledByItsTick.setEnabled(true);
    EXPECT_FALSE(loop.runUntil([&] { return ticks > 1; }, Clock::now() + 1200ms));
    EXPECT_EQ(ticks, 1);
}

TEST(PollTimer, ReEnablingStartsAFreshPeriod) {
    PollLoop loop;
    PollTimer timer(loop);
    int ticks = 0;
    timer.setOnTick([&] { ++ticks; });
    timer.setEnabled(true);
    loop.runUntil([] { return false; }, Clock::now() + 300ms);
    timer.setEnabled(false);
    const auto reEnabledAt = Clock::now();
    timer.setEnabled(true);
    ASSERT_TRUE(loop.runUntil([&] { return ticks == 1; }, reEnabledAt + 2s));
    EXPECT_GE(Clock::now() - reEnabledAt, Timer::kInterval);
}

}  // namespace
}  // namespace velko::posix
