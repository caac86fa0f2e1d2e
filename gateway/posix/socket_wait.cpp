#include "gateway/system/socket_wait.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

#include "platform/posix/poll_timeout.h"

namespace velko::gateway {

bool waitForSockets(std::span<SocketWatch> watches, SocketClock::time_point deadline) {
    std::vector<pollfd> entries;
    entries.reserve(watches.size());
    for (const SocketWatch& watch : watches) {
        const short events =
            static_cast<short>((watch.read ? POLLIN : 0) | (watch.write ? POLLOUT : 0));
        entries.push_back({watch.handle, events, 0});
    }
    for (;;) {
        const int ready = ::poll(entries.data(), entries.size(), posix::pollTimeoutUntil(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) throw std::system_error(errno, std::generic_category(), "poll");
        for (size_t i = 0; i < watches.size(); ++i) {
            const short got = entries[i].revents;
            watches[i].ready = got != 0;
            watches[i].readable = (got & (POLLIN | POLLERR | POLLHUP)) != 0;
            watches[i].writable = (got & POLLOUT) != 0;
        }
        return ready > 0;
    }
}

SocketSignal::SocketSignal() {
    int ends[2];
    if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe");
    }
    read_ = ends[0];
    write_ = ends[1];
}

SocketSignal::~SocketSignal() {
    ::close(read_);
    ::close(write_);
}

// A full pipe is ready already, so a write that finds it full loses nothing.
void SocketSignal::raise() const {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(write_, &byte, 1);
}

void SocketSignal::clear() const {
    char bytes[64];
    while (::read(read_, bytes, sizeof bytes) > 0) {
    }
}

}  // namespace velko::gateway
