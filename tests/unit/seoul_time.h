#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>

namespace velko::gateway {

// The calls' times are local: tests of this fixture run in Korea's time zone, nine hours ahead
// of UTC.
class SeoulTime : public ::testing::Test {
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

    // A local time in Korea as seconds since the epoch, reckoned apart from the C library the
    // code under test asks: Korea Standard Time is UTC+9, without summer time since 1988 (every
    // time given here is later).
    static std::time_t seoul(int year, int month, int day, int hour, int minute) {
        using namespace std::chrono;
        const sys_seconds utc = sys_days(std::chrono::year(year) / month / day) + hours(hour) +
                                minutes(minute) - hours(9);
        return static_cast<std::time_t>(utc.time_since_epoch().count());
    }

  private:
    std::string saved_;
};

}  // namespace velko::gateway
