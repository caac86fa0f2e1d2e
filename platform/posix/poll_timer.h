#pragma once

#include "link/timer.h"
#include "platform/posix/poll_loop.h"

namespace velko::posix {

// The periodic timer, ticking through a poll loop's alarms. Enabling a disabled timer starts a
// fresh period; enabling it again while it runs changes nothing.
class PollTimer final : public Timer {
  public:
    explicit PollTimer(PollLoop& loop) : loop_(loop) {}
    ~PollTimer() override;
    PollTimer(const PollTimer&) = delete;
    PollTimer& operator=(const PollTimer&) = delete;

    void setEnabled(bool enabled) override;
    bool enabled() const override { return enabled_; }

  private:
    void arm(MessageLoop::Clock::time_point due);
    void tick();

    PollLoop& loop_;
    bool enabled_ = false;
    int alarm_ = 0;
    MessageLoop::Clock::time_point due_;
};

}  // namespace velko::posix
