#pragma once

#include <chrono>

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

}  // namespace velko
