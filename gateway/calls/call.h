#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace velko::gateway {

// Where the gateway learnt of a call: the terminal's report as it came, or the terminal's
// stored-call list read back later.
enum class CallSource { Report, Memory };

// "report", "memory": the source as the log, the JSON forms and the board's API name it.
inline const char* callSourceName(CallSource source) {
    return source == CallSource::Memory ? "memory" : "report";
}

// One caller report (D or E) as the call log holds it (docs/call-log.md). Texts are UTF-8.
struct Call {
    int64_t id = 0;     // the log's row id; 0 before the call is logged
    int16_t state = 0;  // callState: 1 for report D, 2 for report E
    int16_t month = 0;  // the terminal's fields, as it sent them
    int16_t day = 0;
    int16_t hour = 0;
    int16_t minute = 0;
    std::optional<std::string> time;  // "2026-03-05T09:07:00+09:00"; none for an impossible date
    std::string number;
    std::string name;
    int16_t group = 0;
    std::string type;      // the type word: NORMAL, BLACK, ... or empty
    std::string line;      // the line's name (--line)
    std::string received;  // when the gateway received it, UTC: "2026-03-05T00:07:12.345Z"
    CallSource source = CallSource::Report;
};

// Whether two calls came at the same time, to the minute: the same time, or for fields that are
// no date, the same fields.
inline bool sameMinute(const Call& a, const Call& b) {
    return a.time == b.time && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           a.minute == b.minute;
}

// A call that was answered: the receiver lifted while it rang, and put down again.
struct FinishedCall {
    Call call;
    std::time_t started = 0;  // when the call was reported
    std::time_t answered = 0;
    std::time_t ended = 0;
};

}  // namespace velko::gateway
