#include <gtest/gtest.h>

#include <vector>

#include "link/message_loop.h"
#include "platform/posix/poll_timer.h"

namespace velko::posix {
namespace {

using namespace std::chrono_literals;
using Clock = MessageLoop::Clock;

TEST(PollTimer, TicksEveryPeriodFromTheMomentItIsEnabled) {
    PollLoop loop;
    PollTimer timer(loop);
    std::vector<Clock::time_point> ticks;
    timer.setOnTick([&] { ticks.push_back(Clock::now()); });
    timer.setEnabled(true);
    runUntil(
        loop, [] { return false; }, Clock::now() + 300ms);
    timer.setEnabled(false);
    const auto enabledAt = Clock::now();
    timer.setEnabled(true);
    ASSERT_TRUE(runUntil(
        loop, [&] { return ticks.size() == 3; }, enabledAt + 3s));
    for (size_t i = 0; i < ticks.size(); ++i) {
        const auto scheduled = enabledAt + Timer::kInterval * (i + 1);
        EXPECT_GE(ticks[i], scheduled);
        EXPECT_LT(ticks[i], scheduled + 150ms);
    }
}

TEST(PollTimer, DoesNotTickWhileDisabledOrAfterDestruction) {
    PollLoop loop;
    int ticks = 0;
    PollTimer disabled(loop);
    disabled.setOnTick([&] { ++ticks; });
    disabled.setEnabled(true);
    disabled.setEnabled(false);
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
    EXPECT_FALSE(runUntil(
        loop, [&] { return ticks > 1; }, Clock::now() + 1200ms));
    EXPECT_EQ(ticks, 1);
}

}  // namespace
}  // namespace velko::posix
