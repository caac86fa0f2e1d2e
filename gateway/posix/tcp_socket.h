#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace velko::gateway {

// An address and port as a socket reports them: "127.0.0.1" or "::1", never a name.
struct Endpoint {
    std::string address;
    uint16_t port = 0;
};

// One TCP socket of the board, owned by one object at a time and closed with it. Nothing here
// waits: what cannot be done at once says WouldBlock, and the caller waits with waitForSockets
// (socket_wait.h). This and socket_wait.h are all the board's transport asks of the system; a
// Winsock implementation fills the same contract (Handle then being a SOCKET).
class TcpSocket {
  public:
    using Handle = int;
    static constexpr Handle kNoHandle = -1;

    enum class Outcome {
        Done,        // bytes moved (at least one)
        WouldBlock,  // nothing can move now
        Ended,       // the far end closed its side (a receive) or the connection is gone
        Failed,      // any other error: the socket is of no further use
    };
    struct Transfer {
        Outcome outcome = Outcome::Failed;
        size_t bytes = 0;
    };

    TcpSocket() = default;
    ~TcpSocket();
    TcpSocket(TcpSocket&& other) noexcept;
    TcpSocket& operator=(TcpSocket&& other) noexcept;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // A non-blocking socket listening on address (an IPv4 or IPv6 address, no name) and port (0:
    // one the system chooses). Raises std::runtime_error with the system's reason.
    static TcpSocket listenOn(const std::string& address, uint16_t port);

    struct Accepted;
    // The next connection waiting on this listening socket, non-blocking and sending small
    // writes at once; nothing when none waits or the system has no room for another (then the
    // caller should pause a moment before it asks again).
    std::optional<Accepted> accept() const;

    Transfer receive(char* data, size_t size);
    Transfer send(const char* data, size_t size);
    // Sends the far end the end of the stream; what it still sends may be received.
    void shutdownSending();

    Handle handle() const { return handle_; }
    // The address and port this socket is bound to.
    Endpoint local() const;

  private:
    explicit TcpSocket(Handle handle) : handle_(handle) {}

    Handle handle_ = kNoHandle;
};

struct TcpSocket::Accepted {
    TcpSocket socket;
    Endpoint peer;
    Endpoint local;
};

}  // namespace velko::gateway
