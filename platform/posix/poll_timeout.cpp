#include "platform/posix/poll_timeout.h"

#include <algorithm>
#include <climits>

namespace velko::posix {

int pollTimeoutUntil(std::chrono::steady_clock::time_point target) {
    using Clock = std::chrono::steady_clock;
    if (target == Clock::time_point::max()) return -1;
    const auto now = Clock::now();
    if (target <= now) return 0;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(target - now).count();
    return static_cast<int>(std::min<decltype(wait)>(wait, INT_MAX));
}

}  // namespace velko::posix
