#include "platform/posix/loop_inbox.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

namespace velko::posix {

std::shared_ptr<LoopInbox> LoopInbox::open(PollLoop& loop) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe2");
    }
    std::shared_ptr<LoopInbox> inbox(new LoopInbox(loop, ends[0], ends[1]));
    // The loop holds the inbox while it watches it.
    inbox->watch_ = loop.watch(ends[0], [inbox] { inbox->runQueued(); });
    return inbox;
}

LoopInbox::LoopInbox(PollLoop& loop, int readEnd, int writeEnd)
    : loop_(loop), readEnd_(readEnd), writeEnd_(writeEnd) {}

LoopInbox::~LoopInbox() {
    ::close(readEnd_);
    ::close(writeEnd_);
}

// One byte wakes the loop for everything queued until it runs; a full pipe already wakes it.
void LoopInbox::post(Action action) {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    const bool wasEmpty = queued_.empty();
    queued_.push_back(std::move(action));
    if (wasEmpty) {
        const char wake = 1;
        [[maybe_unused]] const ssize_t written = ::write(writeEnd_, &wake, 1);
    }
}

void LoopInbox::close() {
    std::deque<Action> dropped;
    {
        std::lock_guard lock(mutex_);
        if (closed_) return;
        closed_ = true;
        dropped.swap(queued_);
    }
    loop_.unwatch(watch_);
}

void LoopInbox::runQueued() {
    const auto self = shared_from_this();
    char drained[64];
    while (::read(readEnd_, drained, sizeof drained) > 0) {
    }
    std::deque<Action> taken;
    {
        std::lock_guard lock(mutex_);
        taken.swap(queued_);
    }
    for (Action& action : taken) {
        {
            std::lock_guard lock(mutex_);
            if (closed_) return;
        }
        action();
    }
}

}  // namespace velko::posix
