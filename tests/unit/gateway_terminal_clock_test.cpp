#include <gtest/gtest.h>

#include "gateway/terminal/terminal_clock.h"
#include "unit/seoul_time.h"

namespace velko::gateway {
namespace {

using TerminalClockTimes = SeoulTime;
using std::chrono::system_clock;

TEST_F(TerminalClockTimes, AnOffClockIsSaidOnceAnHourARightOneNever) {
    TerminalClockCheck check;
    const std::time_t nine = seoul(2026, 3, 5, 9, 0);
    // A report within its own minute, or two minutes late, is right enough.
    EXPECT_EQ(check.reported(nine, nine + 59), std::nullopt);
    EXPECT_EQ(check.reported(nine - 120, nine + 59), std::nullopt);
    EXPECT_EQ(check.reported(nine - 7 * 60, nine + 30), -7);
    EXPECT_EQ(check.reported(nine - 7 * 60, nine + 30 + 59 * 60), std::nullopt);
    EXPECT_EQ(check.reported(nine + 3 * 60, nine + 30 + 60 * 60), 3 - 60);
    EXPECT_EQ(clockOffsetText(-7), "the terminal is 7 minutes behind");
    EXPECT_EQ(clockOffsetText(1), "the terminal is 1 minute ahead");
}

TEST_F(TerminalClockTimes, SettingsFallOnAMinutesStartAndOnTheNextFourOClock) {
    const auto at = [](std::time_t moment) { return system_clock::from_time_t(moment); };
    const auto late = at(seoul(2026, 3, 5, 9, 7)) + std::chrono::milliseconds(59'900);
    EXPECT_EQ(nextMinuteStart(late), at(seoul(2026, 3, 5, 9, 8)));
    EXPECT_EQ(nextMinuteStart(at(seoul(2026, 3, 5, 9, 8))), at(seoul(2026, 3, 5, 9, 9)));
    EXPECT_EQ(nextDailySetting(at(seoul(2026, 3, 5, 3, 59))), at(seoul(2026, 3, 5, 4, 0)));
    EXPECT_EQ(nextDailySetting(at(seoul(2026, 3, 5, 4, 0))), at(seoul(2026, 3, 6, 4, 0)));
    EXPECT_EQ(nextDailySetting(at(seoul(2026, 12, 31, 23, 0))), at(seoul(2027, 1, 1, 4, 0)));
}

}  // namespace
}  // namespace velko::gateway
