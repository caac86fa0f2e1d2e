#pragma once

#include <chrono>
#include <functional>

namespace velko {

// The message loop of the control's thread.
class MessageLoop {
  public:
    using Clock = std::chrono::steady_clock;

    virtual ~MessageLoop() = default;
    // Runs every notification that is pending now (port, timer, window messages), each to
    // completion. Does not block.
    virtual void runPending() = 0;
    // Blocks until a notification is pending or the deadline has passed, without running it.
    virtual void waitForActivity(Clock::time_point deadline) = 0;
};

// Runs notifications until done() holds (true) or the deadline has passed (false). done() is
// tested after every pass, and the loop blocks between passes.
inline bool runUntil(MessageLoop& loop, const std::function<bool()>& done,
                     MessageLoop::Clock::time_point deadline) {
    for (;;) {
        loop.runPending();
        if (done()) return true;
        if (MessageLoop::Clock::now() >= deadline) return false;
        loop.waitForActivity(deadline);
    }
}

}  // namespace velko
