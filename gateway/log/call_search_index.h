#pragma once

#include "gateway/log/sqlite.h"

namespace velko::gateway {

// The name of the full-text table that finds calls by a part of their number or name.
inline constexpr const char* kCallSearchTable = "call_search";

// Adds the indexes the board's queries need to the log when it lacks them (docs/call-log.md,
// "Indexes"): a trigram index of the calls' numbers and names, kept by triggers, and an index of
// the time of reception. Filling them for an existing log takes a few seconds per million calls,
// once.
void addCallSearchIndex(Database& db);

}  // namespace velko::gateway
