#pragma once

#include <algorithm>
#include <chrono>

namespace velko::gateway {

// The wait of an output before it connects again: 1 s, doubling after each failed attempt up to
// 30 s, and 1 s again once a connection is up.
class RetryBackoff {
  public:
    using Duration = std::chrono::steady_clock::duration;

    Duration wait() const { return wait_; }
    void failed() { wait_ = std::min<Duration>(wait_ * 2, kLongest); }
    void connected() { wait_ = kFirst; }

  private:
    static constexpr Duration kFirst = std::chrono::seconds(1);
    static constexpr Duration kLongest = std::chrono::seconds(30);

    Duration wait_ = kFirst;
};

}  // namespace velko::gateway
