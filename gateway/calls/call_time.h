#pragma once

#include <chrono>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace velko::gateway {

// How far ahead of the gateway's clock the time of a live report may lie.
inline constexpr std::chrono::seconds kReportLead = std::chrono::hours(24);

// The terminal reports a call's month, day, hour and minute without a year. The moment a live
// report's fields stand for, in local time, is the latest one not more than a day ahead of now:
// a call from 31 December received on 1 January belongs to the year before, and a terminal clock
// a little ahead of the gateway's keeps the current year. Nothing for fields that are no date or
// time (month 13, 30 February, hour 24). (Stored calls follow stricter rules: stored_calls.h.)
std::optional<std::time_t> inferCallMoment(int month, int day, int hour, int minute,
                                           std::time_t now);

// Every moment the fields may stand for, in local time, at or before `latest`: the latest first,
// then one a year back through the nine years before (29 February comes at least twice in them).
// Empty for fields that are no date or time.
std::vector<std::time_t> callMomentsUntil(int month, int day, int hour, int minute,
                                          std::time_t latest);

// "2026-03-05T09:07:00+09:00": local time with its offset from UTC.
std::string localTimeText(std::time_t moment);

// The moment of a text that localTimeText wrote; nothing for another text.
std::optional<std::time_t> momentOfTimeText(const std::string& text);

// "2026-03-05T00:07:12.345Z": UTC to the millisecond.
std::string utcTimeText(std::chrono::system_clock::time_point moment);
// The same of a whole second, which may lie in any year from 0000 to 9999 (beyond those of the
// system clock's time points).
std::string utcTimeText(std::time_t moment);

// The first moment of a local calendar day given as "YYYY-MM-DD"; nothing for another text or
// a day that does not exist.
std::optional<std::time_t> localDayStart(const std::string& text);

}  // namespace velko::gateway
