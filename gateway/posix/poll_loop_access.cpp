#include "gateway/posix/poll_loop_access.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace velko::gateway {

PollLoopAccess::PollLoopAccess(posix::PollLoop& loop) : loop_(loop) {
    int ends[2];
    if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe");
    }
    wakeRead_ = ends[0];
    wakeWrite_ = ends[1];
    watch_ = loop_.watch(wakeRead_, [this] { runPosted(); });
}

PollLoopAccess::~PollLoopAccess() {
    loop_.unwatch(watch_);
    ::close(wakeRead_);
    ::close(wakeWrite_);
}

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
    // One byte while tasks wait is enough; a full pipe already wakes the loop.
    if (wasEmpty) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(wakeWrite_, &byte, 1);
    }
}

void PollLoopAccess::runPosted() {
    char bytes[64];
    while (::read(wakeRead_, bytes, sizeof bytes) > 0) {
    }
    std::deque<Task> tasks;
    {
        const std::lock_guard lock(mutex_);
        tasks.swap(posted_);
    }
    for (Task& task : tasks) task();
}

}  // namespace velko::gateway
