#include "gateway/terminal/stored_calls.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "gateway/calls/call_time.h"

namespace velko::gateway {

namespace {

// What makes two calls the same call: the time to the minute (the fields, when they are no
// date) and the number.
using CallKey = std::tuple<std::optional<std::string>, int, int, int, int, std::string>;

CallKey keyOf(const Call& call, const std::optional<std::string>& time) {
    return {time, call.month, call.day, call.hour, call.minute, call.number};
}

// The call's times: every moment of its fields up to a day ahead of now, as logged times, and
// the latest of them at or before now and the lead as the call's own.
void giveTimes(StoredCall& stored, std::time_t now) {
    const Call& call = stored.call;
    const std::vector<std::time_t> moments =
        callMomentsUntil(call.month, call.day, call.hour, call.minute, now + kReportLead.count());
    const std::time_t latest =
        now + std::chrono::duration_cast<std::chrono::seconds>(kStoredCallLead).count();
    for (const std::time_t moment : moments) {
        stored.loggedTimes.emplace_back(localTimeText(moment));
        if (!stored.moment && moment <= latest) stored.moment = moment;
    }
    if (stored.moment) stored.call.time = localTimeText(*stored.moment);
    if (stored.loggedTimes.empty()) stored.loggedTimes.emplace_back(std::nullopt);
}

}  // namespace

std::vector<StoredCall> storedCalls(const CidList& list, int count, const std::string& line,
                                    std::time_t now, const std::string& received) {
    std::vector<StoredCall> calls;
    for (int index = 0; index < std::min(count, static_cast<int>(kCidListSize)); ++index) {
        const CID_INFO& entry = list[static_cast<size_t>(index)];
        StoredCall stored;
        Call& call = stored.call;
        call.state = 1;
        call.month = entry.lMonth;
        call.day = entry.lDay;
        call.hour = entry.lHour;
        call.minute = entry.lMin;
        call.number = toUtf8(entry.lNumber);
        call.name = toUtf8(entry.lName);
        call.group = entry.lGroup;
        call.type = toUtf8(entry.lTelType);
        call.line = line;
        call.received = received;
        call.source = CallSource::Memory;
        giveTimes(stored, now);
        calls.push_back(std::move(stored));
    }
    std::stable_sort(calls.begin(), calls.end(), [](const StoredCall& a, const StoredCall& b) {
        if (!a.moment || !b.moment) return a.moment.has_value() && !b.moment.has_value();
        return *a.moment < *b.moment;
    });
    return calls;
}

std::vector<Call> possibleLoggedCalls(const std::vector<StoredCall>& stored) {
    std::vector<Call> calls;
    for (const StoredCall& entry : stored) {
        for (const std::optional<std::string>& time : entry.loggedTimes) {
            calls.push_back(entry.call);
            calls.back().time = time;
        }
    }
    return calls;
}

std::vector<StoredCall> unmatchedCalls(std::vector<StoredCall> stored,
                                       const std::vector<Call>& logged) {
    std::map<CallKey, int> unclaimed;
    for (const Call& call : logged) ++unclaimed[keyOf(call, call.time)];
    std::vector<bool> matched(stored.size(), false);
    size_t years = 0;
    for (const StoredCall& entry : stored) years = std::max(years, entry.loggedTimes.size());
    // Year by year: the latest time of every stored call first.
    for (size_t year = 0; year < years; ++year) {
        for (size_t index = 0; index < stored.size(); ++index) {
            const StoredCall& entry = stored[index];
            if (matched[index] || year >= entry.loggedTimes.size()) continue;
            const auto found = unclaimed.find(keyOf(entry.call, entry.loggedTimes[year]));
            if (found == unclaimed.end() || found->second == 0) continue;
            --found->second;
            matched[index] = true;
        }
    }
    std::vector<StoredCall> left;
    for (size_t index = 0; index < stored.size(); ++index) {
        if (!matched[index]) left.push_back(std::move(stored[index]));
    }
    return left;
}

std::vector<Call> missingCalls(const std::vector<StoredCall>& stored,
                               const std::vector<Call>& logged,
                               std::optional<std::time_t> keptSince) {
    std::vector<Call> missing;
    for (StoredCall& entry : unmatchedCalls(stored, logged)) {
        if (keptSince && entry.moment && *entry.moment < *keptSince) continue;
        missing.push_back(std::move(entry.call));
    }
    return missing;
}

std::optional<PossibleGap> possibleGap(const std::vector<StoredCall>& stored,
                                       const std::optional<std::string>& newestLogged) {
    if (std::ssize(stored) < kStoredCallListLimit || stored.empty() || !stored.front().moment ||
        !newestLogged) {
        return std::nullopt;
    }
    const std::optional<std::time_t> newest = momentOfTimeText(*newestLogged);
    if (!newest || *stored.front().moment <= *newest) return std::nullopt;
    return PossibleGap{*newestLogged, *stored.front().call.time};
}

}  // namespace velko::gateway
