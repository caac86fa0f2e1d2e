#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "gateway/calls/call_time.h"
#include "unit/seoul_time.h"

namespace velko::gateway {
namespace {

class CallTime : public SeoulTime {
  protected:
    static std::string inferred(int month, int day, int hour, int minute, std::time_t now) {
        const auto moment = inferCallMoment(month, day, hour, minute, now);
        return moment ? localTimeText(*moment) : "none";
    }
};

TEST_F(CallTime, TheYearIsTheLatestThatIsNotMoreThanADayAhead) {
    const std::time_t newYear = seoul(2027, 1, 1, 0, 1);
    EXPECT_EQ(inferred(12, 31, 23, 59, newYear), "2026-12-31T23:59:00+09:00");
    const std::time_t newYearsEve = seoul(2026, 12, 31, 23, 58);
    EXPECT_EQ(inferred(1, 1, 0, 5, newYearsEve), "2027-01-01T00:05:00+09:00");
    EXPECT_EQ(inferred(1, 2, 0, 5, newYearsEve), "2026-01-02T00:05:00+09:00");
    EXPECT_EQ(inferred(3, 5, 9, 7, seoul(2026, 12, 7, 15, 0)), "2026-03-05T09:07:00+09:00");
    EXPECT_EQ(inferred(12, 8, 15, 0, seoul(2026, 12, 7, 15, 0)), "2026-12-08T15:00:00+09:00");
    EXPECT_EQ(inferred(12, 8, 15, 1, seoul(2026, 12, 7, 15, 0)), "2025-12-08T15:01:00+09:00");
}

TEST_F(CallTime, LeapDaysComeFromTheLatestLeapYearAndImpossibleFieldsFromNone) {
    EXPECT_EQ(inferred(2, 29, 8, 0, seoul(2026, 12, 7, 15, 0)), "2024-02-29T08:00:00+09:00");
    EXPECT_EQ(inferred(2, 30, 8, 0, seoul(2026, 12, 7, 15, 0)), "none");
    EXPECT_EQ(inferred(13, 1, 8, 0, seoul(2026, 12, 7, 15, 0)), "none");
    EXPECT_EQ(inferred(0, 0, 0, 0, seoul(2026, 12, 7, 15, 0)), "none");
    EXPECT_EQ(inferred(3, 5, 24, 0, seoul(2026, 12, 7, 15, 0)), "none");
    EXPECT_EQ(inferred(3, 5, 9, 60, seoul(2026, 12, 7, 15, 0)), "none");
}

TEST_F(CallTime, TextsOfMomentsAndDays) {
    using namespace std::chrono;
    const auto moment = system_clock::from_time_t(seoul(2026, 3, 5, 9, 7)) + 12345ms;
    EXPECT_EQ(utcTimeText(moment), "2026-03-05T00:07:12.345Z");
    EXPECT_EQ(localDayStart("2026-03-05"), seoul(2026, 3, 5, 0, 0));
    EXPECT_EQ(localDayStart("2026-02-30"), std::nullopt);
    EXPECT_EQ(localDayStart("2026-3-5"), std::nullopt);
    EXPECT_EQ(localDayStart("2026-03-05x"), std::nullopt);
}

TEST_F(CallTime, DaysAreTakenOnlyInTheirFormAndTimesSortAsTextInEveryYear) {
    using namespace std::chrono;
    for (const std::string& text :
         {std::string(" 26-03-05"), std::string("+026-03-05"), std::string("2026-03-5\0", 10),
          std::string("2026-03- 5"), std::string("2026/03/05")}) {
        EXPECT_EQ(localDayStart(text), std::nullopt) << text;
    }
    // Korea's clocks then kept the local mean time of the time zone database: the day starts
    // within hours of its start in UTC.
    const auto longAgo = localDayStart("0999-01-01");
    ASSERT_TRUE(longAgo.has_value());
    const auto utcStart = sys_seconds(sys_days(year(999) / 1 / 1)).time_since_epoch().count();
    EXPECT_LT(std::abs(*longAgo - utcStart), 14 * 60 * 60);
    // Four digits of year, and the milliseconds of a moment before 1970 counted forward.
    const auto early = sys_seconds(sys_days(year(999) / 1 / 2)) + 3h;
    EXPECT_EQ(utcTimeText(static_cast<std::time_t>(early.time_since_epoch().count())),
              "0999-01-02T03:00:00.000Z");
    EXPECT_EQ(utcTimeText(system_clock::from_time_t(-1) + 500ms), "1969-12-31T23:59:59.500Z");
}

}  // namespace
}  // namespace velko::gateway
