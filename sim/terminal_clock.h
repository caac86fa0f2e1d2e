#pragma once

#include <array>
#include <chrono>
#include <string>

namespace velko::sim {

using Clock = std::chrono::steady_clock;

// The terminal's own calendar clock. It holds the date and time it was last set to and runs on
// from there with the steady clock; the seconds restart at zero whenever it is set. The year
// never changes by setting, only by running past the last day of December.
class TerminalClock {
  public:
    TerminalClock(std::chrono::sys_seconds start, Clock::time_point now);

    std::chrono::sys_seconds at(Clock::time_point now) const;

    // Both leave the clock alone when a value is out of range (month 1-12, a day that exists in
    // that month of the current year, hour 0-23, minute 0-59).
    void setDateTime(int month, int day, int hour, int minute, Clock::time_point now);
    void setTime(int hour, int minute, Clock::time_point now);
    // Runs the clock ahead, or back for a negative offset, keeping its seconds.
    void shift(std::chrono::minutes offset) { base_ += offset; }

  private:
    std::chrono::sys_seconds base_;
    Clock::time_point setAt_;
};

// The moment of month, day, hour and minute in the latest year that puts it at or before clock;
// clock itself for a day no year has.
std::chrono::sys_seconds latestAtOrBefore(const std::array<int, 4>& fields,
                                          std::chrono::sys_seconds clock);

// Two digits each, as the terminal writes them on the line.
std::string monthDay(std::chrono::sys_seconds t);    // MMDD
std::string hourMinute(std::chrono::sys_seconds t);  // hhmm
std::string callTime(std::chrono::sys_seconds t);    // MMDDhhmm

}  // namespace velko::sim
