#pragma once

#include <chrono>
#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "control/cid_info.h"
#include "gateway/calls/call.h"
#include "gateway/calls/line_status.h"

namespace velko::gateway {

// The backfill's rules: the terminal's stored-call list read back into the log (docs/call-log.md,
// "Calls from the terminal's memory"), as functions over lists. The gateway reads the log and
// hands the lists to them.

// How far ahead of the gateway's clock a stored call may lie: its newest calls stay in this year
// when the terminal's clock is a few minutes fast (the gateway says so from 2 minutes on).
inline constexpr std::chrono::minutes kStoredCallLead{10};

// A stored call: the call it is logged as when the log lacks it, the moment its fields stand for
// (none for fields that are no date), and every time under which the log may hold it.
struct StoredCall {
    Call call;
    std::optional<std::time_t> moment;
    // Its fields in each year up to a day ahead of now (as far as a live report's time may lie),
    // the latest first; for fields that are no date, NULL alone.
    std::vector<std::optional<std::string>> loggedTimes;
};

// The first count entries of the list as calls of the line, state 1, received at the text given,
// each at the latest moment of its fields at or before now and the lead: a stored call is never
// in the future. In the order of their times; calls whose fields are no date last, in list order.
std::vector<StoredCall> storedCalls(const CidList& list, int count, const std::string& line,
                                    std::time_t now, const std::string& received);

// The calls to look for in the log: each stored call at each of its logged times.
std::vector<Call> possibleLoggedCalls(const std::vector<StoredCall>& stored);

// The stored calls that no logged call accounts for, in the order given. A logged call accounts
// for one stored call of the same number at one of its logged times, to the minute: two stored
// calls from one number in one minute need two logged calls. Every stored call tries its latest
// time before any tries an earlier year, so that an entry of last year still in the memory
// matches last year's call, not this year's.
std::vector<StoredCall> unmatchedCalls(std::vector<StoredCall> stored,
                                       const std::vector<Call>& logged);

// What a reading adds to the log: the stored calls that no logged call accounts for, without
// those before keptSince (--keep-days: they would be pruned at once and delivered again), in the
// order of their times.
std::vector<Call> missingCalls(const std::vector<StoredCall>& stored,
                               const std::vector<Call>& logged,
                               std::optional<std::time_t> keptSince);

// The memory may have lost calls when the list is as long as the control reads (60 entries) and
// even its oldest call is newer than the newest call of the log.
std::optional<PossibleGap> possibleGap(const std::vector<StoredCall>& stored,
                                       const std::optional<std::string>& newestLogged);

// The most entries of the stored-call list that the control reads.
inline constexpr int kStoredCallListLimit = 60;

}  // namespace velko::gateway
