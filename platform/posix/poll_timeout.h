#pragma once

#include <chrono>

namespace velko::posix {

// How long poll() may block so as not to wake before target: rounded up to whole milliseconds,
// 0 once it has passed, -1 for no limit (the time_point's maximum).
int pollTimeoutUntil(std::chrono::steady_clock::time_point target);

}  // namespace velko::posix
