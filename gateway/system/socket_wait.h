#pragma once

#include <chrono>
#include <span>

#include "gateway/system/tcp_socket.h"

namespace velko::gateway {

// A socket to wait on, and for what. waitForSockets sets `ready` when it can read (or write, as
// asked), or when the connection broke (the next transfer then tells how); `readable` when a
// receive would not wait (bytes, the far end's end, or a broken connection), `writable` when
// a send would find room.
struct SocketWatch {
    TcpSocket::Handle handle = TcpSocket::kNoHandle;
    bool read = false;
    bool write = false;
    bool ready = false;
    bool readable = false;
    bool writable = false;
};

using SocketClock = std::chrono::steady_clock;

// Waits until one of the watched sockets is ready or the deadline passes (time_point::max(): no
// deadline); false when the deadline passed first. Raises std::system_error when the system
// cannot wait.
bool waitForSockets(std::span<SocketWatch> watches, SocketClock::time_point deadline);

// Something to watch for reading beside sockets, raised from any thread: once raised it stays
// ready for every waiter until the one that owns it clears it. A pipe under POSIX; a pair of
// connected loopback sockets under Winsock, where only sockets can be waited on.
class SocketSignal {
  public:
    // Raises std::system_error when it cannot be made.
    SocketSignal();
    ~SocketSignal();
    SocketSignal(const SocketSignal&) = delete;
    SocketSignal& operator=(const SocketSignal&) = delete;

    TcpSocket::Handle handle() const { return read_; }
    // Never blocks; raises that come before a clear fold into one.
    void raise() const;
    void clear() const;

  private:
    TcpSocket::Handle read_ = TcpSocket::kNoHandle;
    TcpSocket::Handle write_ = TcpSocket::kNoHandle;
};

}  // namespace velko::gateway
