#include "gateway/posix/line_socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/poll_timeout.h"

namespace velko::gateway {

namespace {

// Polls fd for the events and, when there is one, the wake pipe; the fd's revents, or 0 when the
// deadline passed or the wake came first.
short pollWithWake(int fd, short events, const WakePipe* wake,
                   LineSocket::Clock::time_point deadline) {
    pollfd entries[2] = {{fd, events, 0}, {wake != nullptr ? wake->readEnd() : -1, POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(entries, 2, posix::pollTimeoutUntil(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) throw ConnectionError(std::string("poll: ") + std::strerror(errno));
        if (entries[1].revents != 0) {
            wake->drain();
            return 0;
        }
        return entries[0].revents;
    }
}

int connectWithin(const addrinfo& address, const WakePipe& wake,
                  LineSocket::Clock::time_point deadline) {
    const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                            address.ai_protocol);
    if (fd < 0) throw ConnectionError(std::string("socket: ") + std::strerror(errno));
    if (::connect(fd, address.ai_addr, address.ai_addrlen) != 0 && errno != EINPROGRESS) {
        const int error = errno;
        ::close(fd);
        throw ConnectionError(std::strerror(error));
    }
    if (pollWithWake(fd, POLLOUT, &wake, deadline) == 0) {
        ::close(fd);
        throw ConnectionError("no connection within the time limit");
    }
    int error = 0;
    socklen_t size = sizeof error;
    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
    if (error != 0) {
        ::close(fd);
        throw ConnectionError(std::strerror(error));
    }
    return fd;
}

}  // namespace

LineSocket::LineSocket(const std::string& host, uint16_t port, const WakePipe& wake,
                       std::chrono::milliseconds limit)
    : wake_(wake) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int failure = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (failure != 0) throw ConnectionError(host + ": " + ::gai_strerror(failure));
    const auto deadline = Clock::now() + limit;
    std::string reason;
    for (const addrinfo* address = found; address != nullptr && fd_ < 0;
         address = address->ai_next) {
        try {
            fd_ = connectWithin(*address, wake_, deadline);
        } catch (const ConnectionError& error) {
            reason = error.what();
        }
    }
    ::freeaddrinfo(found);
    if (fd_ < 0) throw ConnectionError(reason);
    const int on = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    acknowledgeAtOnce();
}

LineSocket::~LineSocket() { ::close(fd_); }

void LineSocket::sendLine(std::string_view line) {
    const std::string whole = std::string(line) + "\r\n";
    for (;;) {
        const ssize_t sent = ::send(fd_, whole.data(), whole.size(), MSG_NOSIGNAL);
        if (sent == static_cast<ssize_t>(whole.size())) return;
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && errno == EAGAIN) {
            // A full send queue: the line waits until it fits whole.
            if (pollWithWake(fd_, POLLOUT, nullptr, Clock::now() + std::chrono::seconds(10)) == 0) {
                throw ConnectionError("the server takes no data");
            }
            continue;
        }
        throw ConnectionError(sent < 0 ? std::strerror(errno) : "a line was cut");
    }
}

std::optional<std::string> LineSocket::readLine(Clock::time_point deadline) {
    for (;;) {
        const size_t end = received_.find('\n');
        if (end != std::string::npos) {
            std::string line = received_.substr(0, end);
            received_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }
        if (!waitForInput(deadline)) return std::nullopt;
        char bytes[4096];
        const ssize_t count = ::recv(fd_, bytes, sizeof bytes, 0);
        if (count > 0) {
            received_.append(bytes, static_cast<size_t>(count));
            acknowledgeAtOnce();
        } else if (count == 0) {
            throw ConnectionError("the server closed the connection");
        } else if (errno != EINTR && errno != EAGAIN) {
            throw ConnectionError(std::strerror(errno));
        }
    }
}

// The server writes its answer and its echo of a call as two small writes; with Nagle's rule on
// its side the second waits for this end's acknowledgement, which the kernel would delay by up to
// 40 ms. Quick acknowledgement lasts only until the next read, so it is asked for after each.
void LineSocket::acknowledgeAtOnce() {
    const int on = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
}

bool LineSocket::waitForInput(Clock::time_point deadline) {
    return pollWithWake(fd_, POLLIN, &wake_, deadline) != 0;
}

}  // namespace velko::gateway
