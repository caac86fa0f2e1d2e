#pragma once

#include <gtest/gtest.h>

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

  private:
    std::string saved_;
};

}  // namespace velko::gateway
