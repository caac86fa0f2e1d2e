#pragma once

#include <atomic>
#include <chrono>

namespace velko::gateway {

// A pipe that ends a poll() from another thread: wake() writes a byte, and the waiting thread
// polls readEnd() beside its own descriptors and drains it once woken. Wakes that come before the
// drain fold into one. requestStop() wakes it for good: a waiter looks at stopRequested() after
// every wake, before it waits again.
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
    void requestStop();
    bool stopRequested() const { return stop_.load(std::memory_order_acquire); }
    // Polls fd for the events beside the pipe until one comes, the deadline passes or a wake
    // comes: the fd's revents, or 0 for the deadline or a wake (the pipe then drained). An fd of
    // -1 waits for the deadline or a wake only. Raises std::system_error when poll() fails.
    short poll(int fd, short events, Clock::time_point deadline) const;
    // Waits until the deadline or a wake, and drains the pipe.
    void waitUntil(Clock::time_point deadline) const { poll(-1, 0, deadline); }

  private:
    int read_ = -1;
    int write_ = -1;
    std::atomic<bool> stop_{false};
};

}  // namespace velko::gateway
