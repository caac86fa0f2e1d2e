#include "platform/win32/share/unreachable_reason.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace velko::win32 {

namespace {

// Winsock for the thread's calls, as long as it lives.
class Winsock {
  public:
    Winsock() : started_(WSAStartup(MAKEWORD(2, 2), &data_) == 0) {}
    ~Winsock() {
        if (started_) WSACleanup();
    }
    Winsock(const Winsock&) = delete;
    Winsock& operator=(const Winsock&) = delete;
    bool started() const { return started_; }

  private:
    WSADATA data_{};
    bool started_;
};

struct AddressList {
    addrinfo* first = nullptr;
    ~AddressList() {
        if (first != nullptr) freeaddrinfo(first);
    }
};

// The words POSIX systems use, which the Linux desk shows too.
std::string reasonOf(int error) {
    switch (error) {
        case WSAECONNREFUSED:
            return "connection refused";
        case WSAETIMEDOUT:
            return "connection timed out";
        case WSAEHOSTUNREACH:
            return "no route to host";
        case WSAENETUNREACH:
            return "network is unreachable";
        case WSAEADDRNOTAVAIL:
            return "the address is not available";
        default:
            return "Winsock error " + std::to_string(error);
    }
}

std::string numericAddress(const addrinfo& address, uint16_t port) {
    char host[NI_MAXHOST] = "?";
    getnameinfo(address.ai_addr, static_cast<socklen_t>(address.ai_addrlen), host, sizeof host,
                nullptr, 0, NI_NUMERICHOST);
    const std::string text = address.ai_family == AF_INET6 ? "[" + std::string(host) + "]" : host;
    return text + ":" + std::to_string(port);
}

// The error of one connection attempt; 0 when it connects.
int connectError(const addrinfo& address, std::chrono::milliseconds limit) {
    const SOCKET socket_ = socket(address.ai_family, address.ai_socktype, address.ai_protocol);
    if (socket_ == INVALID_SOCKET) return WSAGetLastError();
    u_long nonBlocking = 1;
    ioctlsocket(socket_, FIONBIO, &nonBlocking);
    int error = 0;
    if (connect(socket_, address.ai_addr, static_cast<int>(address.ai_addrlen)) != 0) {
        error = WSAGetLastError();
        if (error == WSAEWOULDBLOCK) {
            fd_set writable, failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_SET(socket_, &writable);
            FD_SET(socket_, &failed);
            timeval wait{static_cast<long>(limit.count() / 1000),
                         static_cast<long>(limit.count() % 1000 * 1000)};
            if (select(0, nullptr, &writable, &failed, &wait) <= 0) {
                error = WSAETIMEDOUT;
            } else {
                int size = sizeof error;
                error = 0;
                getsockopt(socket_, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
            }
        }
    }
    closesocket(socket_);
    return error;
}

}  // namespace

std::string unreachableReason(const std::string& host, uint16_t port,
                              std::chrono::milliseconds limit) {
    const Winsock winsock;
    if (!winsock.started()) return {};
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    AddressList addresses;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &addresses.first) != 0) {
        return host + ": the name is not known";
    }
    std::string reason;
    for (const addrinfo* address = addresses.first; address != nullptr;
         address = address->ai_next) {
        const int error = connectError(*address, limit);
        if (error == 0) return {};
        if (reason.empty()) reason = reasonOf(error) + " " + numericAddress(*address, port);
    }
    return reason;
}

}  // namespace velko::win32
