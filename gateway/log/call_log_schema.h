#pragma once

#include "gateway/log/sqlite.h"

namespace velko::gateway {

// The version of the call log's tables this release writes (PRAGMA user_version).
inline constexpr int kCallLogVersion = 1;

// Creates the log's tables in an empty file, or brings those of an earlier release up to
// kCallLogVersion in place, in one transaction (docs/call-log.md, "Versions"). A log of a newer
// release raises DatabaseError and is left as it was.
void prepareCallLogSchema(Database& db);

// The version of the log's tables (0 for the first release's, and for an empty file).
int callLogVersion(const Database& db);

}  // namespace velko::gateway
