#include "gateway/system/tcp_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>
#include <vector>

#include "gateway/system/connection_error.h"

namespace velko::gateway {

namespace {

Endpoint endpointOf(const sockaddr_storage& address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        return {text, ntohs(v6.sin6_port)};
    }
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
    return {text, ntohs(v4.sin_port)};
}

[[noreturn]] void refuse(const std::string& address, uint16_t port, const char* reason) {
    throw std::runtime_error("cannot listen on " + address + " port " + std::to_string(port) +
                             ": " + reason);
}

TcpSocket::Transfer failure() {
    switch (errno) {
        case EAGAIN:
#if EAGAIN != EWOULDBLOCK
        case EWOULDBLOCK:
#endif
            return {TcpSocket::Outcome::WouldBlock, 0, {}};
        case ECONNRESET:
        case EPIPE:
        case ETIMEDOUT:
            return {TcpSocket::Outcome::Ended, 0, std::strerror(errno)};
        default:
            return {TcpSocket::Outcome::Failed, 0, std::strerror(errno)};
    }
}

void sendSmallWritesAtOnce(int handle) {
    const int on = 1;
    ::setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

}  // namespace

struct HostAddresses::List {
    addrinfo* found = nullptr;
    std::vector<const addrinfo*> entries;

    ~List() {
        if (found != nullptr) ::freeaddrinfo(found);
    }
};

HostAddresses HostAddresses::lookUp(const std::string& host, uint16_t port) {
    auto list = std::make_shared<List>();
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    const int failure =
        ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list->found);
    if (failure != 0) throw ConnectionError(host + ": " + ::gai_strerror(failure));
    for (const addrinfo* entry = list->found; entry != nullptr; entry = entry->ai_next) {
        list->entries.push_back(entry);
    }
    HostAddresses addresses;
    addresses.list_ = std::move(list);
    return addresses;
}

size_t HostAddresses::size() const { return list_ ? list_->entries.size() : 0; }

TcpSocket::~TcpSocket() {
    if (handle_ != kNoHandle) ::close(handle_);
}

TcpSocket::TcpSocket(TcpSocket&& other) noexcept
    : handle_(std::exchange(other.handle_, kNoHandle)) {}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
    if (this != &other) {
        if (handle_ != kNoHandle) ::close(handle_);
        handle_ = std::exchange(other.handle_, kNoHandle);
    }
    return *this;
}

TcpSocket TcpSocket::listenOn(const std::string& address, uint16_t port) {
    sockaddr_storage storage{};
    socklen_t length = 0;
    auto& v4 = reinterpret_cast<sockaddr_in&>(storage);
    auto& v6 = reinterpret_cast<sockaddr_in6&>(storage);
    if (::inet_pton(AF_INET, address.c_str(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        v4.sin_port = htons(port);
        length = sizeof v4;
    } else if (::inet_pton(AF_INET6, address.c_str(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(port);
        length = sizeof v6;
    } else {
        refuse(address, port, "not an IP address");
    }
    TcpSocket listener(
        ::socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP));
    if (listener.handle_ == kNoHandle) refuse(address, port, std::strerror(errno));
    // An IPv6 socket takes IPv4 connections too, as the system sets it ("::" is every address).
    const int on = 1;
    ::setsockopt(listener.handle_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(listener.handle_, reinterpret_cast<const sockaddr*>(&storage), length) != 0 ||
        ::listen(listener.handle_, SOMAXCONN) != 0) {
        refuse(address, port, std::strerror(errno));
    }
    return listener;
}

std::optional<TcpSocket::Accepted> TcpSocket::accept() const {
    for (;;) {
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        const int handle = ::accept4(handle_, reinterpret_cast<sockaddr*>(&peer), &length,
                                     SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (handle < 0) {
            // A connection that was reset before it was taken leaves the others waiting.
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return std::nullopt;
        }
        TcpSocket socket(handle);
        // An event goes out in a few small writes (a chunk's size, its data, its end): without
        // this, the last waits for the browser's delayed acknowledgement, 40 ms.
        sendSmallWritesAtOnce(handle);
        Endpoint local = socket.local();
        return Accepted{std::move(socket), endpointOf(peer), std::move(local)};
    }
}

TcpSocket TcpSocket::connectTo(const HostAddresses& host, size_t index) {
    const addrinfo& address = *host.list_->entries.at(index);
    TcpSocket socket(::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                              address.ai_protocol));
    if (socket.handle_ == kNoHandle) {
        throw ConnectionError(std::string("socket: ") + std::strerror(errno));
    }
    sendSmallWritesAtOnce(socket.handle_);
    if (::connect(socket.handle_, address.ai_addr, address.ai_addrlen) != 0 &&
        errno != EINPROGRESS) {
        throw ConnectionError(std::strerror(errno));
    }
    return socket;
}

std::optional<std::string> TcpSocket::connectFailure() const {
    int error = 0;
    socklen_t size = sizeof error;
    ::getsockopt(handle_, SOL_SOCKET, SO_ERROR, &error, &size);
    if (error == 0) return std::nullopt;
    return std::strerror(error);
}

TcpSocket::Transfer TcpSocket::receive(char* data, size_t size) {
    for (;;) {
        const ssize_t got = ::recv(handle_, data, size, 0);
        if (got > 0) return {Outcome::Done, static_cast<size_t>(got), {}};
        if (got == 0) return {size == 0 ? Outcome::Done : Outcome::Ended, 0, {}};
        if (errno != EINTR) return failure();
    }
}

TcpSocket::Transfer TcpSocket::send(const char* data, size_t size) {
    for (;;) {
        const ssize_t sent = ::send(handle_, data, size, MSG_NOSIGNAL);
        if (sent >= 0) return {Outcome::Done, static_cast<size_t>(sent), {}};
        if (errno != EINTR) return failure();
    }
}

void TcpSocket::shutdownSending() { ::shutdown(handle_, SHUT_WR); }

// Quick acknowledgement lasts only until the next receive, so it is asked for after each.
void TcpSocket::acknowledgeAtOnce() {
    const int on = 1;
    ::setsockopt(handle_, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
}

Endpoint TcpSocket::local() const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    ::getsockname(handle_, reinterpret_cast<sockaddr*>(&address), &length);
    return endpointOf(address);
}

}  // namespace velko::gateway
