#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace velko::gateway {

// What the gateway asks of the system's TCP sockets: the board listens and accepts, the NCID
// output connects; nothing here waits (socket_wait.h and wakeup.h do). Each system fills this
// contract once: POSIX sockets under gateway/posix/, Winsock on Windows (Handle then being a
// SOCKET). A socket is owned by one object at a time, used by one thread at a time, and closed
// with its owner.

// An address and port as a socket reports them: "127.0.0.1" or "::1", never a name.
struct Endpoint {
    std::string address;
    uint16_t port = 0;
};

class TcpSocket;

// The addresses a host's name stands for, for a TCP port, in the order the system's resolver
// gives them. Copies share the one list.
class HostAddresses {
  public:
    // Asks the system's resolver: blocks for as long as it takes, and nothing can wake it (run
    // it where a stop may leave it behind: abandonable_work.h). Raises ConnectionError "host:
    // the resolver's reason" when the name stands for no address.
    static HostAddresses lookUp(const std::string& host, uint16_t port);

    size_t size() const;

  private:
    friend class TcpSocket;
    // The system's own list.
    struct List;

    std::shared_ptr<const List> list_;
};

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
        // Ended or Failed: the system's words for what ended it; empty when the far end closed
        // its side in order.
        std::string reason;
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

    // A non-blocking socket, sending small writes at once, that starts connecting to the host's
    // address at index (below host.size()). The connection is made, or has failed, once the
    // socket can write; connectFailure() then tells which. Raises ConnectionError with the
    // system's reason when the attempt cannot even start.
    static TcpSocket connectTo(const HostAddresses& host, size_t index);
    // Of a connecting socket that can write: the system's reason the connection failed; nothing
    // when it is made.
    std::optional<std::string> connectFailure() const;

    Transfer receive(char* data, size_t size);
    Transfer send(const char* data, size_t size);
    // Sends the far end the end of the stream; what it still sends may be received.
    void shutdownSending();
    // Asks the system to acknowledge what arrives at once rather than after a delay, until the
    // next receive; nothing where the system has no such request.
    void acknowledgeAtOnce();

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
