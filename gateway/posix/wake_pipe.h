#pragma once

#include <chrono>

namespace velko::gateway {

// A pipe that ends a poll() from another thread: wake() writes a byte, and the waiting thread
// polls readEnd() beside its own descriptors and drains it once woken. Wakes that come before the
// drain fold into one.
class WakePipe {
  public:
    using Clock = std::chrono::steady_clock;

    // Raises std::system_error when the pipe cannot be made.
    WakePipe();
    ~WakePipe();
    WakePipe(const WakePipe&) = delete;
    WakePipe& operator=(const WakePipe&) = delete;

    int readEnd() const { return read_; }
    void wake() const;
    void drain() const;
    // Waits until the deadline or a wake, and drains the pipe.
    void waitUntil(Clock::time_point deadline) const;

  private:
    int read_ = -1;
    int write_ = -1;
};

}  // namespace velko::gateway
