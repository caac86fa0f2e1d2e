#include "platform/posix/unreachable_reason.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>

namespace velko::posix {

namespace {

struct AddressList {
    addrinfo* first = nullptr;
    ~AddressList() {
        if (first != nullptr) ::freeaddrinfo(first);
    }
};

std::string numericAddress(const addrinfo& address, uint16_t port) {
    char host[NI_MAXHOST] = "?";
    ::getnameinfo(address.ai_addr, address.ai_addrlen, host, sizeof host, nullptr, 0,
                  NI_NUMERICHOST);
    const std::string text = address.ai_family == AF_INET6 ? "[" + std::string(host) + "]" : host;
    return text + ":" + std::to_string(port);
}

std::string lowerFirst(std::string text) {
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

// The error of one connection attempt; 0 when it connects.
int connectError(const addrinfo& address, std::chrono::milliseconds limit) {
    const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                            address.ai_protocol);
    if (fd < 0) return errno;
    int error = 0;
    if (::connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
        error = errno;
        if (error == EINPROGRESS) {
            pollfd entry{fd, POLLOUT, 0};
            if (::poll(&entry, 1, static_cast<int>(limit.count())) <= 0) {
                error = ETIMEDOUT;
            } else {
                socklen_t size = sizeof error;
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
            }
        }
    }
    ::close(fd);
    return error;
}

}  // namespace

std::string unreachableReason(const std::string& host, uint16_t port,
                              std::chrono::milliseconds limit) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    AddressList addresses;
    if (const int failure =
            ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &addresses.first)) {
        return host + ": " + ::gai_strerror(failure);
    }
    std::string reason;
    for (const addrinfo* address = addresses.first; address != nullptr;
         address = address->ai_next) {
        const int error = connectError(*address, limit);
        if (error == 0) return {};
        if (reason.empty()) {
            reason = lowerFirst(std::strerror(error)) + " " + numericAddress(*address, port);
        }
    }
    return reason;
}

}  // namespace velko::posix
