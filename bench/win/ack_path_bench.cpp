// ack_path_bench --device N=PATH ROUNDS: stamps the steps of the acknowledgement path of the
// Win32 serial component on COM<N>, for bench/ack_wait_bench.py, which plays the terminal on the
// far end of the line and runs the program through tests/win/wine-program (which makes PATH the
// port N; the program itself reads only N).
//
// Each round writes "[", waits for the acknowledgement as the control does (waitForAck over the
// platform's message loop and timer), and then writes "READ DISPATCHED RESUMED]": the performance
// counter when the reader thread had the bytes, when their notification ran on this thread, and
// when the wait had returned, just before that write. A round that is not acknowledged writes
// "-]". The serial component's receive path is rebuilt here from its parts (the device with its
// reader thread, the receive queue, the message window) so that each hand-over can be stamped.
//
// Under Wine the performance counter counts CLOCK_MONOTONIC_RAW in units of 100 ns, so the
// terminal's side can compare its own stamps with these.

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "control/shared_state.h"
#include "link/ack_wait.h"
#include "link/serial_port.h"
#include "platform/win32/runtime/comm_device.h"
#include "platform/win32/runtime/message_window.h"
#include "platform/win32/runtime/receive_queue.h"
#include "platform/win32/runtime/win32_message_loop.h"
#include "platform/win32/runtime/win32_timer.h"

namespace {

using namespace velko;
using namespace velko::win32;

int64_t counter() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// The stamps of one round; the reader thread writes the first one.
struct Round {
    std::atomic<int64_t> read{0};
    int64_t dispatched = 0;
};

// What the wait asks of the port: whether it is still open, which here means that the device's
// reader has not failed. The bench drives the device itself, so nothing else is used.
class OpenWhileReadable final : public SerialPort {
  public:
    explicit OpenWhileReadable(const CommDevice& device) : device_(device) {}

    void setCommPort(int16_t) override {}
    void setSettings(const Text&) override {}
    void setHandshaking(int32_t) override {}
    void setRThreshold(int16_t) override {}
    bool portOpen() const override { return !device_.readFailure(); }
    void setPortOpen(bool) override {}
    void setOutput(const Text&) override {}
    int16_t inBufferCount() override { return 0; }
    Text input() override { return {}; }

  private:
    const CommDevice& device_;
};

class AckPath {
  public:
    explicit AckPath(int16_t port)
        : notification_(window_.subscribe([this] { notified(); })),
          device_(
              port, LineSettings{}, Handshaking::none,
              [this](std::string_view bytes) { received(bytes); }, [] {}) {
        timer_.setOnTick([this] { timerTick(state_); });
    }

    void round() {
        round_.read = 0;
        round_.dispatched = 0;
        device_.write("[");
        const bool acknowledged = waitForAck(state_, timer_, loop_, port_);
        const int64_t resumed = counter();
        device_.write(acknowledged
                          ? std::to_string(round_.read) + " " + std::to_string(round_.dispatched) +
                                " " + std::to_string(resumed) + "]"
                          : std::string("-]"));
    }

  private:
    // The reader's thread.
    void received(std::string_view bytes) {
        int64_t none = 0;
        round_.read.compare_exchange_strong(none, counter());
        if (queue_.push(bytes) && !window_.post(notification_)) queue_.notificationTaken();
    }

    void notified() {
        if (round_.dispatched == 0) round_.dispatched = counter();
        queue_.notificationTaken();
        if (queue_.takeAll().find(u"ACK") != Text::npos) state_.gAckReceived = true;
    }

    SharedState state_;
    Round round_;
    MessageWindow window_;
    Win32MessageLoop loop_{window_};
    Win32Timer timer_{window_};
    ReceiveQueue queue_;
    MessageWindow::Id notification_;
    CommDevice device_;
    OpenWhileReadable port_{device_};
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || std::string(argv[1]) != "--device") {
        std::fputs("usage: ack_path_bench --device N=PATH ROUNDS\n", stderr);
        return 2;
    }
    try {
        AckPath path(static_cast<int16_t>(std::atoi(argv[2])));
        for (int round = std::atoi(argv[3]); round > 0; --round) path.round();
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "ack_path_bench: %s\n", failure.what());
        return 1;
    }
    return 0;
}
