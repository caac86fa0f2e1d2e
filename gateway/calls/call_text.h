#pragma once

#include <string>

#include "gateway/calls/call.h"

namespace velko::gateway {

// Readable forms of a call for a terminal screen.

// "2026-03-05 09:07": the inferred time without seconds and offset, or the terminal's "03-05
// 09:07" when no year could be inferred.
std::string shortTime(const Call& call);

// The text with control characters shown as "?", so that what the terminal sent never drives
// the reader's screen.
std::string withoutControls(std::string text);

// "2026-03-05 09:07  02-1234-5678  홍길동  group 2  NORMAL": time, number as shown
// (shownNumber), name, group and type; the name and the type are left out when empty.
std::string describeCall(const Call& call);

}  // namespace velko::gateway
