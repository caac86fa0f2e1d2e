#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace velko::gateway {

// Something the board's threads have to tell on the gateway's output (README, "velko gateway").
struct BoardNotice {
    enum class Kind {
        RequestFailed,      // a request was answered 503 or 500, or its answer was cut short
        LiveEventsStopped,  // the live events cannot read the log; they try again
        LiveEventsResumed,
    };
    Kind kind = Kind::RequestFailed;
    std::string request;      // RequestFailed: the path ("/api/calls.csv"); empty when not known
    std::string reason;       // RequestFailed, LiveEventsStopped: what went wrong
    uint64_t alsoFailed = 0;  // RequestFailed: the requests that failed since the last one told
};

// Takes the board's notices on any thread and hands each to `tell` (which carries it to the
// loop's thread), in order. A failing log fails every request: one failed request is told every
// 10 s at most, the others counted into the next one told.
class BoardReport {
  public:
    using Clock = std::chrono::steady_clock;
    using Tell = std::function<void(BoardNotice)>;

    explicit BoardReport(Tell tell, std::function<Clock::time_point()> now = Clock::now);

    void requestFailed(std::string_view request, const std::string& reason);
    // Told only when it changes.
    void liveEvents(bool running, const std::string& reason);

  private:
    static constexpr Clock::duration kQuietTime = std::chrono::seconds(10);

    std::mutex mutex_;
    const Tell tell_;
    const std::function<Clock::time_point()> now_;
    std::optional<Clock::time_point> lastFailureTold_;
    uint64_t untoldFailures_ = 0;
    bool liveRunning_ = true;
};

}  // namespace velko::gateway
