#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "gateway/system/connection_error.h"
#include "gateway/system/tcp_socket.h"
#include "gateway/system/wakeup.h"

namespace velko::gateway {

// A TCP connection that carries lines ended by CR LF, for a thread of its own: every wait also
// ends when the wake-up wakes it, which the caller reads as "look at your work again", and a
// stop requested through the wake-up ends every wait within moments (ConnectionError).
class LineSocket {
  public:
    using Clock = Wakeup::Clock;

    // The longest line taken from the far end; a longer one ends the connection.
    static constexpr size_t kLongestLine = 64 * 1024;

    // Looks the host up and connects to host:port within the time limit, trying its addresses in
    // turn (the lookup, which cannot be woken, runs on a thread that a stop leaves behind).
    // Raises ConnectionError with the reason.
    LineSocket(const std::string& host, uint16_t port, const Wakeup& wake,
               std::chrono::milliseconds limit);
    LineSocket(const LineSocket&) = delete;
    LineSocket& operator=(const LineSocket&) = delete;

    // Sends the line and its CR LF in one write, so that the far end reads it whole and alone
    // (the rest follows when the send queue had room for a part only).
    void sendLine(std::string_view line);
    // The next line without its line end; nothing when the deadline passed or the wake-up
    // woke the wait first. Raises ConnectionError when the far end closed or sent a line longer
    // than kLongestLine.
    std::optional<std::string> readLine(Clock::time_point deadline);

  private:
    TcpSocket socket_;
    const Wakeup& wake_;
    std::string received_;
    // How much of received_ holds no line end.
    size_t searched_ = 0;
};

}  // namespace velko::gateway
