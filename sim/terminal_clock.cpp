#include "sim/terminal_clock.h"

namespace velko::sim {

namespace {

using std::chrono::days;
using std::chrono::floor;
using std::chrono::hours;
using std::chrono::minutes;
using std::chrono::sys_days;
using std::chrono::sys_seconds;

bool validTime(int hour, int minute) {
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59;
}

// Each value below 100, as two digits.
std::string twoDigits(unsigned a, unsigned b) {
    return {static_cast<char>('0' + a / 10), static_cast<char>('0' + a % 10),
            static_cast<char>('0' + b / 10), static_cast<char>('0' + b % 10)};
}

}  // namespace

TerminalClock::TerminalClock(sys_seconds start, Clock::time_point now)
    : base_(start), setAt_(now) {}

sys_seconds TerminalClock::at(Clock::time_point now) const {
    return base_ + floor<std::chrono::seconds>(now - setAt_);
}

void TerminalClock::setDateTime(int month, int day, int hour, int minute, Clock::time_point now) {
    const std::chrono::year year = std::chrono::year_month_day{floor<days>(at(now))}.year();
    const std::chrono::year_month_day date{year, std::chrono::month(static_cast<unsigned>(month)),
                                           std::chrono::day(static_cast<unsigned>(day))};
    if (!date.ok() || !validTime(hour, minute)) return;
    base_ = sys_days{date} + hours{hour} + minutes{minute};
    setAt_ = now;
}

void TerminalClock::setTime(int hour, int minute, Clock::time_point now) {
    if (!validTime(hour, minute)) return;
    base_ = floor<days>(at(now)) + hours{hour} + minutes{minute};
    setAt_ = now;
}

sys_seconds latestAtOrBefore(const std::array<int, 4>& fields, sys_seconds clock) {
    const std::chrono::month month(static_cast<unsigned>(fields[0]));
    const std::chrono::day day(static_cast<unsigned>(fields[1]));
    const auto offset = hours{fields[2]} + minutes{fields[3]};
    // February 29 goes back to the last leap year, within eight years; a day no year has (30
    // February) stands for now.
    const std::chrono::year latest = std::chrono::year_month_day{floor<days>(clock)}.year();
    for (std::chrono::year year = latest; year > latest - std::chrono::years{9}; --year) {
        const std::chrono::year_month_day date{year, month, day};
        if (date.ok() && sys_days{date} + offset <= clock) return sys_days{date} + offset;
    }
    return clock;
}

std::string monthDay(sys_seconds t) {
    const std::chrono::year_month_day date{floor<days>(t)};
    return twoDigits(static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
}

std::string hourMinute(sys_seconds t) {
    const std::chrono::hh_mm_ss time{t - floor<days>(t)};
    return twoDigits(static_cast<unsigned>(time.hours().count()),
                     static_cast<unsigned>(time.minutes().count()));
}

std::string callTime(sys_seconds t) { return monthDay(t) + hourMinute(t); }

}  // namespace velko::sim
