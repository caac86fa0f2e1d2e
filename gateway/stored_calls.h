#pragma once

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "control/cid_info.h"
#include "gateway/call.h"

namespace velko::gateway {

// The terminal's stored-call list read back into the log (docs/call-log.md, "Calls from the
// terminal's memory").

// A stored call with the moment its fields stand for (none for fields that are no date).
struct StoredCall {
    Call call;
    std::optional<std::time_t> moment;
};

// The first count entries of the list as calls of the line: their year inferred as for a live
// report at now, state 1, received at the text given; in the order of their times, calls whose
// fields are no date last in list order.
std::vector<StoredCall> storedCalls(const CidList& list, int count, const std::string& line,
                                    std::time_t now, const std::string& received);

// The stored calls that no logged call accounts for, in the order given. A logged call accounts
// for one stored call of the same time, to the minute, and the same number: two stored calls
// from one number in one minute need two logged calls.
std::vector<StoredCall> unmatchedCalls(std::vector<StoredCall> stored,
                                       const std::vector<Call>& logged);

// Calls between these two times may have been pushed out of the terminal's memory.
struct PossibleGap {
    std::string after;   // the newest logged call's time
    std::string before;  // the oldest stored call's time

    bool operator==(const PossibleGap&) const = default;
};

// The memory may have lost calls when the list is as long as the control reads (60 entries) and
// even its oldest call is newer than the newest call of the log.
std::optional<PossibleGap> possibleGap(const std::vector<StoredCall>& stored,
                                       const std::optional<std::string>& newestLogged);

// The most entries of the stored-call list that the control reads.
inline constexpr int kStoredCallListLimit = 60;

}  // namespace velko::gateway
