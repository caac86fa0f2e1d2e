#include "gateway/posix/wake_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/posix/poll_timeout.h"

namespace velko::gateway {

WakePipe::WakePipe() {
    int ends[2];
    if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe");
    }
    read_ = ends[0];
    write_ = ends[1];
}

WakePipe::~WakePipe() {
    ::close(read_);
    ::close(write_);
}

// A full pipe already wakes the reader, so a write that finds it full loses nothing.
void WakePipe::wake() const {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(write_, &byte, 1);
}

void WakePipe::drain() const {
    char bytes[64];
    while (::read(read_, bytes, sizeof bytes) > 0) {
    }
}

void WakePipe::requestStop() {
    stop_.store(true, std::memory_order_release);
    wake();
}

short WakePipe::poll(int fd, short events, Clock::time_point deadline) const {
    pollfd entries[2] = {{read_, POLLIN, 0}, {fd, events, 0}};
    for (;;) {
        const int ready = ::poll(entries, 2, posix::pollTimeoutUntil(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) throw std::system_error(errno, std::generic_category(), "poll");
        if (entries[0].revents != 0) {
            drain();
            return 0;
        }
        return entries[1].revents;
    }
}

}  // namespace velko::gateway
