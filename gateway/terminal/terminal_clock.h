#pragma once

#include <chrono>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

#include "control/velko_interface.h"
#include "gateway/system/loop_access.h"

namespace velko::gateway {

// Compares the time of each live report with the gateway's clock. A report's time is the
// terminal's minute, so a right clock reports the minute it is in.
class TerminalClockCheck {
  public:
    // The minutes the terminal's clock is off (positive ahead, negative behind) when that is
    // more than 2 and was not said within the last hour; nothing otherwise.
    std::optional<long> reported(std::time_t callMoment, std::time_t now);

  private:
    std::optional<std::time_t> lastSaid_;
};

// "the terminal is 7 minutes behind", "the terminal is 1 minute ahead"
std::string clockOffsetText(long minutes);

// Keeps the terminal's clock right: sets its date and time (SendCmd 68) after each connection
// and every day at 04:00 local time, each time just after a minute starts, as the terminal's
// seconds restart at zero when it is set.
class TerminalClockSetter {
  public:
    // Told of each attempt: the MM-DD and HH:MM sent, and whether the terminal took them.
    using Done = std::function<void(bool set, const std::string& date, const std::string& time)>;

    TerminalClockSetter(_velko_foxpro& control, LoopAccess& loop, Done done);
    ~TerminalClockSetter();
    TerminalClockSetter(const TerminalClockSetter&) = delete;
    TerminalClockSetter& operator=(const TerminalClockSetter&) = delete;

    void connected();
    // Also while a setting waits for the terminal (from a notification the control runs): that
    // setting is then not told.
    void disconnected();

  private:
    void cancel();
    void schedule(std::chrono::system_clock::time_point at);
    void set();

    _velko_foxpro& control_;
    LoopAccess& loop_;
    Done done_;
    int alarm_ = 0;
    bool connected_ = false;
};

// The first moment after now that starts a minute, and the next 04:00 local time.
std::chrono::system_clock::time_point nextMinuteStart(std::chrono::system_clock::time_point now);
std::chrono::system_clock::time_point nextDailySetting(std::chrono::system_clock::time_point now);

}  // namespace velko::gateway
