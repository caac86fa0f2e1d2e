#include "gateway/terminal/terminal_clock.h"

#include <cstdio>
#include <cstdlib>

namespace velko::gateway {

namespace {

using std::chrono::system_clock;

constexpr long kToleratedMinutes = 2;
constexpr std::time_t kSayAgainAfter = 60 * 60;
constexpr int kDailyHour = 4;
constexpr uint8_t kSetDateAndTime = 68;
// After the minute starts, so that a clock a little late does not land in the minute before.
constexpr std::chrono::milliseconds kIntoTheMinute{100};

std::tm localFields(system_clock::time_point moment) {
    const std::time_t seconds = system_clock::to_time_t(moment);
    std::tm fields{};
    localtime_r(&seconds, &fields);
    return fields;
}

std::string twoPairs(int first, char separator, int second) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d%c%02d", first, separator, second);
    return text;
}

}  // namespace

std::optional<long> TerminalClockCheck::reported(std::time_t callMoment, std::time_t now) {
    // Whole minutes the report's minute lies before (or after) the minute now is in.
    const long behind = static_cast<long>((now - now % 60 - callMoment) / 60);
    if (std::labs(behind) <= kToleratedMinutes) return std::nullopt;
    if (lastSaid_ && now - *lastSaid_ < kSayAgainAfter) return std::nullopt;
    lastSaid_ = now;
    return -behind;
}

std::string clockOffsetText(long minutes) {
    const long size = std::labs(minutes);
    return "the terminal is " + std::to_string(size) + (size == 1 ? " minute " : " minutes ") +
           (minutes < 0 ? "behind" : "ahead");
}

system_clock::time_point nextMinuteStart(system_clock::time_point now) {
    return std::chrono::floor<std::chrono::minutes>(now) + std::chrono::minutes(1);
}

system_clock::time_point nextDailySetting(system_clock::time_point now) {
    std::tm fields = localFields(now);
    fields.tm_hour = kDailyHour;
    fields.tm_min = 0;
    fields.tm_sec = 0;
    fields.tm_isdst = -1;
    system_clock::time_point at = system_clock::from_time_t(std::mktime(&fields));
    if (at <= now) {
        ++fields.tm_mday;
        fields.tm_hour = kDailyHour;
        fields.tm_isdst = -1;
        at = system_clock::from_time_t(std::mktime(&fields));
    }
    return at;
}

TerminalClockSetter::TerminalClockSetter(_velko_foxpro& control, LoopAccess& loop, Done done)
    : control_(control), loop_(loop), done_(std::move(done)) {}

TerminalClockSetter::~TerminalClockSetter() { disconnected(); }

void TerminalClockSetter::connected() {
    connected_ = true;
    schedule(nextMinuteStart(system_clock::now()));
}

void TerminalClockSetter::disconnected() {
    connected_ = false;
    cancel();
}

void TerminalClockSetter::cancel() {
    if (alarm_ != 0) loop_.cancel(alarm_);
    alarm_ = 0;
}

void TerminalClockSetter::schedule(system_clock::time_point at) {
    cancel();
    const auto delay = std::chrono::ceil<std::chrono::milliseconds>(at - system_clock::now());
    alarm_ =
        loop_.after(std::max(delay, std::chrono::milliseconds::zero()) + kIntoTheMinute, [this] {
            alarm_ = 0;
            set();
        });
}

void TerminalClockSetter::set() {
    const auto now = system_clock::now();
    schedule(nextDailySetting(now));
    const std::tm fields = localFields(now);
    uint8_t command = kSetDateAndTime;
    const std::string dateText = twoPairs(fields.tm_mon + 1, '-', fields.tm_mday);
    const std::string timeText = twoPairs(fields.tm_hour, ':', fields.tm_min);
    Text date = fromUtf8(dateText);
    Text time = fromUtf8(timeText);
    Text none;
    const bool set = control_.SendCmd(command, date, time, none);
    // A disconnection or a stop while the command waited for the terminal ended it: it was not
    // refused, and there is nothing to tell.
    if (connected_) done_(set, dateText, timeText);
}

}  // namespace velko::gateway
