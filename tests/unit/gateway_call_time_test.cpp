#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "gateway/call_time.h"

namespace velko::gateway {
namespace {

// The calls' times are local: these tests run in Korea's time zone, nine hours ahead of UTC.
class CallTime : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char* zone = std::getenv("TZ")) saved_ = zone;
        setenv("TZ", "Asia/Seoul", 1);
        tzset();
    }
    void TearDown() override {
        if (saved_.empty()) {
            unsetenv("TZ");
        } else {
            setenv("TZ", saved_.c_str(), 1);
        }
        tzset();
    }

    // A local time in Korea as seconds since the epoch.
    static std::time_t seoul(int year, int month, int day, int hour, int minute) {
        std::tm fields{};
        fields.tm_year = year - 1900;
        fields.tm_mon = month - 1;
        fields.tm_mday = day;
        fields.tm_hour = hour;
        fields.tm_min = minute;
        fields.tm_isdst = -1;
        return std::mktime(&fields);
    }

    static std::string inferred(int month, int day, int hour, int minute, std::time_t now) {
        const auto moment = inferCallMoment(month, day, hour, minute, now);
        return moment ? localTimeText(*moment) : "none";
    }

  private:
    std::string saved_;
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

}  // namespace
}  // namespace velko::gateway
