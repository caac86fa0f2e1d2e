#include "gateway/posix/line_socket.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "gateway/posix/abandonable_work.h"

namespace velko::gateway {

namespace {

using namespace std::chrono_literals;

// How long a line may wait for room in a full send queue.
constexpr auto kSendLimit = 10s;

// A name lookup and its result, owned jointly by the connecting thread and the thread that
// looks the name up, which a stop may leave to finish alone.
struct NameLookup {
    std::string host;
    std::string service;
    addrinfo* found = nullptr;
    int failure = 0;

    ~NameLookup() {
        if (found != nullptr) ::freeaddrinfo(found);
    }
};

std::shared_ptr<NameLookup> lookUp(const std::string& host, uint16_t port, const WakePipe& wake) {
    auto lookup = std::make_shared<NameLookup>(host, std::to_string(port));
    runUnlessStopped(
        [lookup] {
            addrinfo hints{};
            hints.ai_socktype = SOCK_STREAM;
            lookup->failure = ::getaddrinfo(lookup->host.c_str(), lookup->service.c_str(), &hints,
                                            &lookup->found);
        },
        wake);
    if (lookup->failure != 0) throw ConnectionError(host + ": " + ::gai_strerror(lookup->failure));
    return lookup;
}

int connectWithin(const addrinfo& address, const WakePipe& wake,
                  LineSocket::Clock::time_point deadline) {
    const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                            address.ai_protocol);
    if (fd < 0) throw ConnectionError(std::string("socket: ") + std::strerror(errno));
    const auto fail = [fd](const char* reason) {
        ::close(fd);
        throw ConnectionError(reason);
    };
    if (::connect(fd, address.ai_addr, address.ai_addrlen) != 0 && errno != EINPROGRESS) {
        fail(std::strerror(errno));
    }
    // Wakes for new calls leave the attempt going; a stop ends it.
    while (wake.poll(fd, POLLOUT, deadline) == 0) {
        if (wake.stopRequested()) fail("stopped");
        if (LineSocket::Clock::now() >= deadline) fail("no connection within the time limit");
    }
    int error = 0;
    socklen_t size = sizeof error;
    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
    if (error != 0) fail(std::strerror(error));
    return fd;
}

}  // namespace

LineSocket::LineSocket(const std::string& host, uint16_t port, const WakePipe& wake,
                       std::chrono::milliseconds limit)
    : wake_(wake) {
    const auto lookup = lookUp(host, port, wake_);
    const auto deadline = Clock::now() + limit;
    std::string reason;
    for (const addrinfo* address = lookup->found; address != nullptr && fd_ < 0;
         address = address->ai_next) {
        try {
            fd_ = connectWithin(*address, wake_, deadline);
        } catch (const ConnectionError& error) {
            throwIfStopping();
            reason = error.what();
        }
    }
    if (fd_ < 0) throw ConnectionError(reason);
    const int on = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    acknowledgeAtOnce();
}

LineSocket::~LineSocket() { ::close(fd_); }

void LineSocket::sendLine(std::string_view line) {
    const std::string whole = std::string(line) + "\r\n";
    std::string_view left = whole;
    const auto deadline = Clock::now() + kSendLimit;
    for (;;) {
        const ssize_t sent = ::send(fd_, left.data(), left.size(), MSG_NOSIGNAL);
        if (sent > 0) left.remove_prefix(static_cast<size_t>(sent));
        if (left.empty()) return;
        if (sent < 0 && errno != EINTR && errno != EAGAIN)
            throw ConnectionError(std::strerror(errno));
        // A full send queue: the line, or the rest of a line the queue took only in part, waits
        // for room.
        throwIfStopping();
        if (Clock::now() >= deadline) throw ConnectionError("the server takes no data");
        wake_.poll(fd_, POLLOUT, deadline);
    }
}

std::optional<std::string> LineSocket::readLine(Clock::time_point deadline) {
    for (;;) {
        const size_t end = received_.find('\n', searched_);
        if (end != std::string::npos) {
            std::string line = received_.substr(0, end);
            received_.erase(0, end + 1);
            searched_ = 0;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }
        searched_ = received_.size();
        if (received_.size() > kLongestLine) {
            throw ConnectionError("the server sent a line longer than " +
                                  std::to_string(kLongestLine / 1024) + " KiB");
        }
        if (wake_.poll(fd_, POLLIN, deadline) == 0) return std::nullopt;
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

void LineSocket::throwIfStopping() const {
    if (wake_.stopRequested()) throw ConnectionError("stopped");
}

}  // namespace velko::gateway
