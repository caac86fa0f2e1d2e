#include <vector>

#include "platform/win32/runtime/message_window.h"
#include "platform/win32/runtime/win32_message_loop.h"
#include "platform/win32/runtime/win32_timer.h"
#include "tests/win/runtime_support.h"

using namespace velko;
using namespace velko::wintest;
using velko::win32::MessageWindow;
using velko::win32::Win32MessageLoop;
using velko::win32::Win32Timer;

namespace {

struct TimedLoop {
    TimedLoop() {
        timer.setOnTick([this] { ticks.push_back(Clock::now()); });
    }

    MessageWindow window;
    Win32MessageLoop loop{window};
    Win32Timer timer{window};
    std::vector<Clock::time_point> ticks;
};

WIN_TEST(theTimerTicksEvery500MillisecondsOnlyWhileEnabled) {
    TimedLoop fixture;
    runFor(fixture.loop, 700ms);
    CHECK(fixture.ticks.empty());

    const auto start = Clock::now();
    fixture.timer.setEnabled(true);
    CHECK(fixture.timer.enabled());
    REQUIRE(runUntil(
        fixture.loop, [&] { return fixture.ticks.size() >= 3; }, 5s));
    CHECK(fixture.ticks[0] - start >= 450ms);
    for (size_t i = 1; i < fixture.ticks.size(); ++i) {
        const auto interval = fixture.ticks[i] - fixture.ticks[i - 1];
        CHECK(interval >= 400ms);
        CHECK(interval < 900ms);
    }

    fixture.timer.setEnabled(false);
    CHECK(!fixture.timer.enabled());
    const size_t ticked = fixture.ticks.size();
    runFor(fixture.loop, 1200ms);
    CHECK_EQ(fixture.ticks.size(), ticked);
}

WIN_TEST(aTickQueuedBeforeTheTimerIsDisabledIsNotDelivered) {
    TimedLoop fixture;
    fixture.timer.setEnabled(true);
    fixture.loop.waitForActivity(Clock::now() + 5s);
    REQUIRE((HIWORD(GetQueueStatus(QS_TIMER)) & QS_TIMER) != 0);
    fixture.timer.setEnabled(false);
    fixture.loop.runPending();
    CHECK(fixture.ticks.empty());
}

}  // namespace
