#pragma once

#include "platform/posix/poll_loop.h"

namespace velko::tools {

// SIGINT and SIGTERM, delivered through the message loop instead of ending the process: once
// one has arrived, requested() holds. The signals' previous handling returns on destruction.
class StopSignals {
  public:
    explicit StopSignals(posix::PollLoop& loop);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    bool requested() const { return requested_; }

  private:
    void readSignal();

    posix::PollLoop& loop_;
    int fd_ = -1;
    int watch_ = 0;
    bool requested_ = false;
};

}  // namespace velko::tools
