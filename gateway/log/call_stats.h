#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "gateway/log/sqlite.h"

namespace velko::gateway {

struct FrequentCaller {
    std::string number;
    std::string name;  // the name of its latest call
    int64_t calls = 0;
};

// How many calls came, by the local day and hour of their reception (docs/http.md, /api/stats).
struct CallStats {
    std::vector<std::pair<std::string, int64_t>> days;  // "YYYY-MM-DD" and its calls, oldest first
    std::array<int64_t, 24> hours{};                    // over those days, hour 0 first
    std::vector<FrequentCaller> top;                    // the ten most frequent over those days
};

// The statistics of the last `days` local days up to the one of `now`, today included.
CallStats callStats(const Database& db, int days, std::time_t now);

}  // namespace velko::gateway
