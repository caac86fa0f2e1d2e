#include "gateway/posix/poll_loop_access.h"

namespace velko::gateway {

PollLoopAccess::PollLoopAccess(posix::PollLoop& loop) : loop_(loop) {
    watch_ = loop_.watch(wake_.handle(), [this] { runPosted(); });
}

PollLoopAccess::~PollLoopAccess() { loop_.unwatch(watch_); }

int PollLoopAccess::after(std::chrono::milliseconds delay, Task task) {
    return loop_.schedule(posix::PollLoop::Clock::now() + delay, std::move(task));
}

void PollLoopAccess::cancel(int id) { loop_.cancel(id); }

void PollLoopAccess::post(Task task) {
    bool wasEmpty;
    {
        const std::lock_guard lock(mutex_);
        wasEmpty = posted_.empty();
        posted_.push_back(std::move(task));
    }
    // One wake while tasks wait is enough.
    if (wasEmpty) wake_.raise();
}

void PollLoopAccess::runPosted() {
    wake_.clear();
    std::deque<Task> tasks;
    {
        const std::lock_guard lock(mutex_);
        tasks.swap(posted_);
    }
    for (Task& task : tasks) task();
}

}  // namespace velko::gateway
