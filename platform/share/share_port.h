#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "link/message_loop.h"
#include "link/serial_port_properties.h"
#include "link/timer.h"
#include "platform/share/event_stream_reader.h"
#include "platform/share/share_messages.h"
#include "platform/share/share_transport.h"

namespace velko::share {

// The serial component of a port mapped to a gateway's share (docs/share.md), which the control
// uses as it uses a local port:
// - Opening connects the stream and waits, running the thread's message loop, for the gateway's
//   hello (at most kOpenLimit); a gateway that refuses, cannot be reached, or whose terminal is
//   not connected leaves the port closed, with the reason in an open-failure diagnostic. The line
//   settings are the gateway's concern: they are checked and kept, as a local port keeps them.
// - The terminal's text arrives as the stream's text events and waits for Input; OnComm is raised
//   when at least RThreshold characters wait, as a local port raises it.
// - Each Output is sent as writes (POST /share/write), one at a time in order, each allowed the
//   acknowledgement wait's time for its turn on the line; characters the gateway sent as "?" are
//   told in the usual diagnostic when its answer comes.
// - A stream that ends, a write that finds the gateway gone, or the gateway's terminal port
//   closing is a device that went away: the port reads closed and a diagnostic tells why. The
//   port then connects again by itself, every half second while the gateway cannot be reached
//   (every five seconds while it refuses), and once the gateway and its terminal are back it
//   reads open again and says so, with the calls the gateway logged meanwhile. Closing the port
//   while it is away ends that.
class SharePort final : public SerialPortProperties {
  public:
    // How long opening waits for the gateway's hello.
    static constexpr std::chrono::seconds kOpenLimit{5};
    // How long a write may wait for its turn on the line: the acknowledgement wait's ticks.
    static constexpr std::chrono::milliseconds kWriteWait{5500};
    // The characters of one write: their JSON, escapes included, stays within the gateway's
    // 4 KiB bound. A longer Output is cut into several writes.
    static constexpr size_t kPieceCharacters = 500;
    // The characters sent but not yet answered beyond which Output is refused, as a device that
    // takes nothing more refuses it.
    static constexpr size_t kMostUnanswered = 64 * 1024;

    SharePort(MessageLoop& loop, std::unique_ptr<Timer> retryTimer, ShareTransport& transport,
              bool (*speedSupported)(uint32_t baud));
    ~SharePort() override;
    SharePort(const SharePort&) = delete;
    SharePort& operator=(const SharePort&) = delete;

    // The share the next opening connects to.
    void useShare(ShareSettings settings) { settings_ = std::move(settings); }

    bool portOpen() const override { return state_ == State::open; }
    void setOutput(const Text& text) override;
    Text input() override;

  private:
    enum class State { closed, opening, open, away };

    void reconfigure(const LineSettings&, Handshaking) override {}
    void openPort() override;
    void closePort() override;
    void abandonOpening() override;
    size_t waitingCharacters() override { return waiting_.size(); }

    [[noreturn]] void refuseOpening(const Text& reason);
    void connect();
    void dropLink();
    void streamBytes(uint64_t link, std::string_view bytes);
    void streamEvent(const StreamEvent& event);
    void streamEnded(const LinkFailure& failure);
    void streamBroken(const Text& reason);
    void written(const WriteAnswer& answer);
    void hello(const Hello& hello);
    void text(Text text);
    void terminalChanged(const TerminalChange& change);
    void goAway(const Text& reason);
    void comeBack(int64_t calls);
    void retry();
    Text deviceName() const;

    MessageLoop& loop_;
    std::unique_ptr<Timer> retryTimer_;
    ShareTransport& transport_;
    ShareSettings settings_;
    State state_ = State::closed;
    std::unique_ptr<ShareLink> link_;
    // Counts the links made: a handler of an earlier one finds another number and does nothing.
    uint64_t linkNumber_ = 0;
    EventStreamReader reader_;
    bool helloSeen_ = false;
    std::string desk_;
    // The newest call id the gateway has told.
    int64_t calls_ = 0;
    // Why the opening under way failed.
    std::optional<Text> refusal_;
    // Retry ticks to let pass before the next attempt.
    int retryPause_ = 0;
    // The characters of each write not yet answered, in order.
    std::deque<size_t> unanswered_;
    size_t unansweredCharacters_ = 0;
    Text waiting_;
};

}  // namespace velko::share
