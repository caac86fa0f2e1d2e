#pragma once

#include <atomic>

#include "gateway/system/socket_wait.h"

namespace velko::gateway {

// The wake-up of a thread that waits on a socket, from any other thread: wake() ends the wait
// (the waiter then looks at its work again), and requestStop() ends it for good. Wakes that come
// before the waiter runs fold into one. A waiter looks at stopRequested() after every wake,
// before it waits again. Built on SocketSignal and waitForSockets alone, so it is the same on
// every system.
class Wakeup {
  public:
    using Clock = SocketClock;

    // Raises std::system_error when the system cannot make its signal.
    Wakeup() = default;
    Wakeup(const Wakeup&) = delete;
    Wakeup& operator=(const Wakeup&) = delete;

    // Never blocks.
    void wake() const { signal_.raise(); }
    void requestStop();
    bool stopRequested() const { return stop_.load(std::memory_order_acquire); }
    // Raises ConnectionError("stopped") once a stop was requested: how every wait of an output's
    // thread ends its connection's work.
    void throwIfStopRequested() const;

    // Waits until the socket is ready as the watch asks, the deadline passes (time_point::max():
    // none) or a wake comes: the watch with what it is ready for, nothing ready for the deadline
    // or a wake. A handle of TcpSocket::kNoHandle waits for the deadline or a wake only. Raises
    // std::system_error when the system cannot wait.
    SocketWatch wait(SocketWatch watch, Clock::time_point deadline) const;
    // Waits until the deadline or a wake.
    void waitUntil(Clock::time_point deadline) const { wait({}, deadline); }

  private:
    SocketSignal signal_;
    std::atomic<bool> stop_{false};
};

}  // namespace velko::gateway
