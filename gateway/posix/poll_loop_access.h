#pragma once

#include <deque>
#include <mutex>

#include "gateway/system/loop_access.h"
#include "gateway/system/socket_wait.h"
#include "platform/posix/poll_loop.h"

namespace velko::gateway {

// LoopAccess on the poll() loop: alarms are the loop's own; posted tasks wait in a queue, and a
// signal the loop watches (a byte on a pipe) wakes it to run them.
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
    SocketSignal wake_;
    int watch_ = 0;
    std::mutex mutex_;
    std::deque<Task> posted_;
};

}  // namespace velko::gateway
