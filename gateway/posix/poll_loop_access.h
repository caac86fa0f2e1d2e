#pragma once

#include <deque>
#include <mutex>

#include "gateway/loop_access.h"
#include "gateway/posix/wake_pipe.h"
#include "platform/posix/poll_loop.h"

namespace velko::gateway {

// LoopAccess on the poll() loop: alarms are the loop's own; posted tasks wait in a queue, and a
// byte on a pipe the loop watches wakes it to run them.
class PollLoopAccess final : public LoopAccess {
  public:
    explicit PollLoopAccess(posix::PollLoop& loop);
    ~PollLoopAccess() override;
    PollLoopAccess(const PollLoopAccess&) = delete;
    PollLoopAccess& operator=(const PollLoopAccess&) = delete;

    int after(std::chrono::milliseconds delay, Task task) override;
    void cancel(int id) override;
    void post(Task task) override;

  private:
    void runPosted();

    posix::PollLoop& loop_;
    WakePipe wake_;
    int watch_ = 0;
    std::mutex mutex_;
    std::deque<Task> posted_;
};

}  // namespace velko::gateway
