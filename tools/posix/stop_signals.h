#pragma once

#include "platform/posix/poll_loop.h"
#include "tools/shell/stop_requests.h"

namespace velko::tools {

// SIGINT and SIGTERM, delivered through the message loop instead of ending the process: once
// one has arrived, requested() holds. The signals' previous handling returns on destruction.
class StopSignals final : public shell::StopRequests {
  public:
    explicit StopSignals(posix::PollLoop& loop);
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    bool requested() const override { return signal_ != 0; }
    int exitStatus() const override { return 128 + signal_; }

  private:
    void readSignal();

    posix::PollLoop& loop_;
    int fd_ = -1;
    int watch_ = 0;
    int signal_ = 0;  // the first that arrived
};

}  // namespace velko::tools
