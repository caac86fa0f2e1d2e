#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/posix/poll_loop.h"

namespace velko::posix {

// Hands work from other threads to the thread that runs a poll loop: post() queues an action
// from any thread, and the loop runs the queued actions on its thread, in the order posted.
// Closing it, on the loop's thread (also from one of its actions), ends that: the actions still
// queued, and those posted afterwards, are dropped. The threads keep it through shared pointers,
// so that one that outlives its owner still finds it.
class LoopInbox : public std::enable_shared_from_this<LoopInbox> {
  public:
    using Action = std::function<void()>;

    // Raises std::system_error when the system has no pipe to give.
    static std::shared_ptr<LoopInbox> open(PollLoop& loop);
    ~LoopInbox();
    LoopInbox(const LoopInbox&) = delete;
    LoopInbox& operator=(const LoopInbox&) = delete;

    // Any thread.
    void post(Action action);
    // The loop's thread.
    void close();

  private:
    LoopInbox(PollLoop& loop, int readEnd, int writeEnd);
    void runQueued();

    PollLoop& loop_;
    int readEnd_;
    int writeEnd_;
    int watch_ = 0;
    std::mutex mutex_;
    std::deque<Action> queued_;
    bool closed_ = false;
};

}  // namespace velko::posix
