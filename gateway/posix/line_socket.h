#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "gateway/posix/connection_error.h"
#include "gateway/posix/wake_pipe.h"

namespace velko::gateway {

// A TCP connection that carries lines ended by CR LF, for a thread of its own: every wait also
// ends when the wake pipe wakes it, which the caller reads as "look at your work again", and a
// stop requested through the wake pipe ends every wait within moments (ConnectionError).
class LineSocket {
  public:
    using Clock = WakePipe::Clock;

    // The longest line taken from the far end; a longer one ends the connection.
    static constexpr size_t kLongestLine = 64 * 1024;

    // Looks the host up and connects to host:port within the time limit (the lookup, which
    // cannot be woken, runs on a thread that a stop leaves behind). Raises ConnectionError with
    // the reason.
    LineSocket(const std::string& host, uint16_t port, const WakePipe& wake,
               std::chrono::milliseconds limit);
    ~LineSocket();
    LineSocket(const LineSocket&) = delete;
    LineSocket& operator=(const LineSocket&) = delete;

    // Sends the line and its CR LF in one write, so that the far end reads it whole and alone
    // (the rest follows when the send queue had room for a part only).
    void sendLine(std::string_view line);
    // The next line without its line end; nothing when the deadline passed or the wake pipe
    // woke the wait first. Raises ConnectionError when the far end closed or sent a line longer
    // than kLongestLine.
    std::optional<std::string> readLine(Clock::time_point deadline);

  private:
    void acknowledgeAtOnce();
    void throwIfStopping() const;

    int fd_ = -1;
    const WakePipe& wake_;
    std::string received_;
    // How much of received_ holds no line end.
    size_t searched_ = 0;
};

}  // namespace velko::gateway
