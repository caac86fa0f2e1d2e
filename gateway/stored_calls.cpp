#include "gateway/stored_calls.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "gateway/call_time.h"

namespace velko::gateway {

namespace {

// What makes two calls the same call: the time to the minute (the fields, when they are no
// date) and the number.
using CallKey = std::tuple<std::optional<std::string>, int, int, int, int, std::string>;

CallKey keyOf(const Call& call) {
    return {call.time, call.month, call.day, call.hour, call.minute, call.number};
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
        stored.moment = inferCallMoment(call.month, call.day, call.hour, call.minute, now);
        if (stored.moment) call.time = localTimeText(*stored.moment);
        call.number = toUtf8(entry.lNumber);
        call.name = toUtf8(entry.lName);
        call.group = entry.lGroup;
        call.type = toUtf8(entry.lTelType);
        call.line = line;
        call.received = received;
        call.source = CallSource::Memory;
        calls.push_back(std::move(stored));
    }
    std::stable_sort(calls.begin(), calls.end(), [](const StoredCall& a, const StoredCall& b) {
        if (!a.moment || !b.moment) return a.moment.has_value() && !b.moment.has_value();
        return *a.moment < *b.moment;
    });
    return calls;
}

std::vector<StoredCall> unmatchedCalls(std::vector<StoredCall> stored,
                                       const std::vector<Call>& logged) {
    std::map<CallKey, int> unclaimed;
    for (const Call& call : logged) ++unclaimed[keyOf(call)];
    std::erase_if(stored, [&](const StoredCall& candidate) {
        const auto found = unclaimed.find(keyOf(candidate.call));
        if (found == unclaimed.end() || found->second == 0) return false;
        --found->second;
        return true;
    });
    return stored;
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
