#include "gateway/posix/wake_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <system_error>

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

void WakePipe::waitUntil(Clock::time_point deadline) const {
    pollfd entry{read_, POLLIN, 0};
    while (::poll(&entry, 1, pollTimeoutUntil(deadline)) < 0 && errno == EINTR) {
    }
    drain();
}

int pollTimeoutUntil(WakePipe::Clock::time_point deadline) {
    if (deadline == WakePipe::Clock::time_point::max()) return -1;
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - WakePipe::Clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, INT_MAX));
}

}  // namespace velko::gateway
