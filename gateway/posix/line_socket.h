#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "gateway/posix/wake_pipe.h"

namespace velko::gateway {

// A connection that failed or ended, with the reason to tell.
class ConnectionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A TCP connection that carries lines ended by CR LF, for a thread of its own: every wait also
// ends when the wake pipe wakes it, which the caller reads as "look at your work again".
class LineSocket {
  public:
    using Clock = WakePipe::Clock;

    // Connects to host:port within the time limit. Raises ConnectionError with the reason.
    LineSocket(const std::string& host, uint16_t port, const WakePipe& wake,
               std::chrono::milliseconds limit);
    ~LineSocket();
    LineSocket(const LineSocket&) = delete;
    LineSocket& operator=(const LineSocket&) = delete;

    // Sends the line and its CR LF in one write, so that the far end reads it whole and alone.
    void sendLine(std::string_view line);
    // The next line without its line end; nothing when the deadline passed or the wake pipe
    // woke the wait first. Raises ConnectionError when the far end closed.
    std::optional<std::string> readLine(Clock::time_point deadline);

  private:
    void acknowledgeAtOnce();
    // True when the socket has input, false when the deadline passed or the wake came.
    bool waitForInput(Clock::time_point deadline);

    int fd_ = -1;
    const WakePipe& wake_;
    std::string received_;
};

}  // namespace velko::gateway
