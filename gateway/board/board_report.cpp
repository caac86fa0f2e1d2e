#include "gateway/board/board_report.h"

namespace velko::gateway {

BoardReport::BoardReport(Tell tell, std::function<Clock::time_point()> now)
    : tell_(std::move(tell)), now_(std::move(now)) {}

void BoardReport::requestFailed(std::string_view request, const std::string& reason) {
    const std::lock_guard lock(mutex_);
    const Clock::time_point now = now_();
    if (lastFailureTold_ && now - *lastFailureTold_ < kQuietTime) {
        ++untoldFailures_;
        return;
    }
    lastFailureTold_ = now;
    tell_({BoardNotice::Kind::RequestFailed, std::string(request), reason, untoldFailures_});
    untoldFailures_ = 0;
}

void BoardReport::liveEvents(bool running, const std::string& reason) {
    const std::lock_guard lock(mutex_);
    if (running == liveRunning_) return;
    liveRunning_ = running;
    tell_({running ? BoardNotice::Kind::LiveEventsResumed : BoardNotice::Kind::LiveEventsStopped,
           "", running ? "" : reason, 0});
}

}  // namespace velko::gateway
