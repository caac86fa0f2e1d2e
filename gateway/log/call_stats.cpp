#include "gateway/log/call_stats.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <unordered_map>

#include "gateway/calls/call_time.h"

namespace velko::gateway {

namespace {

constexpr size_t kTopCallers = 10;

std::string dayText(std::chrono::sys_days day) {
    const std::chrono::year_month_day date(day);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return text;
}

std::chrono::sys_days localDay(std::time_t moment) {
    std::tm local{};
    localtime_r(&moment, &local);
    return std::chrono::year_month_day(std::chrono::year(local.tm_year + 1900),
                                       std::chrono::month(static_cast<unsigned>(local.tm_mon + 1)),
                                       std::chrono::day(static_cast<unsigned>(local.tm_mday)));
}

// The quarter hour of a reception time, "2026-03-05T00:07:12.345Z" giving
// "2026-03-05T00:0": every time zone's offset is a whole number of quarter hours, so all of a
// quarter's calls share their local day and hour.
std::string quarterOf(const std::string& received) {
    if (received.size() < 16) return {};
    const int minute = (received[14] - '0') * 10 + (received[15] - '0');
    return received.substr(0, 14) + static_cast<char>('0' + minute / 15);
}

// The first moment of the quarter hour, or -1 for a text that is no time.
std::time_t quarterStart(const std::string& quarter) {
    std::tm utc{};
    int quarterNumber = 0;
    if (std::sscanf(quarter.c_str(), "%4d-%2d-%2dT%2d:%1d", &utc.tm_year, &utc.tm_mon, &utc.tm_mday,
                    &utc.tm_hour, &quarterNumber) != 5) {
        return -1;
    }
    utc.tm_year -= 1900;
    utc.tm_mon -= 1;
    utc.tm_min = quarterNumber * 15;
    return timegm(&utc);
}

struct Caller {
    int64_t calls = 0;
    int64_t latestId = 0;
    std::string name;
};

}  // namespace

CallStats callStats(const Database& db, int days, std::time_t now) {
    const std::chrono::sys_days today = localDay(now);
    const std::chrono::sys_days first = today - std::chrono::days(days - 1);
    CallStats stats;
    for (auto day = first; day <= today; day += std::chrono::days(1)) {
        stats.days.emplace_back(dayText(day), 0);
    }
    const auto start = localDayStart(dayText(first));
    if (!start) return stats;
    // The calls are in the order of their reception, so those of the period follow the first
    // one the index of reception times finds; reading them by id reads the table in order.
    Statement calls(db,
                    "SELECT received, number, name, id FROM calls WHERE id >= (SELECT id FROM "
                    "calls WHERE received >= ?1 ORDER BY received LIMIT 1) AND received >= ?1 "
                    "ORDER BY id");
    calls.bind(1, utcTimeText(std::chrono::system_clock::from_time_t(*start)));
    std::unordered_map<std::string, int64_t> quarters;
    std::unordered_map<std::string, Caller> callers;
    while (calls.step()) {
        ++quarters[quarterOf(calls.text(0))];
        Caller& caller = callers[calls.text(1)];
        ++caller.calls;
        caller.latestId = calls.integer(3);
        caller.name = calls.text(2);
    }
    for (const auto& [quarter, count] : quarters) {
        std::time_t moment = quarterStart(quarter);
        if (moment < 0) continue;
        std::tm local{};
        localtime_r(&moment, &local);
        const auto day = (localDay(moment) - first).count();
        if (day < 0 || day >= std::ssize(stats.days)) continue;
        stats.days[static_cast<size_t>(day)].second += count;
        stats.hours[static_cast<size_t>(local.tm_hour)] += count;
    }
    std::vector<std::pair<std::string, Caller>> ranked(callers.begin(), callers.end());
    std::ranges::sort(ranked, [](const auto& a, const auto& b) {
        return std::tie(b.second.calls, b.second.latestId) <
               std::tie(a.second.calls, a.second.latestId);
    });
    for (auto& [number, caller] : ranked) {
        if (stats.top.size() == kTopCallers) break;
        stats.top.push_back({number, caller.name, caller.calls});
    }
    return stats;
}

}  // namespace velko::gateway
