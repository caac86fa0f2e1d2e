#include "platform/posix/poll_timer.h"

namespace velko::posix {

PollTimer::~PollTimer() { loop_.cancel(alarm_); }

void PollTimer::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (enabled) {
        arm(MessageLoop::Clock::now() + kInterval);
    } else {
        loop_.cancel(alarm_);
    }
}

void PollTimer::arm(MessageLoop::Clock::time_point due) {
    due_ = due;
    alarm_ = loop_.schedule(due, [this] { tick(); });
}

// The next tick keeps to the period; after a long stall of the loop it comes a full period later
// instead of in a burst.
void PollTimer::tick() {
    const auto now = MessageLoop::Clock::now();
    const auto next = due_ + kInterval;
    arm(next > now ? next : now + kInterval);
    raiseTick();
}

}  // namespace velko::posix
