#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "control/runtime_error.h"
#include "link/message_loop.h"
#include "tests/win/support/check.h"

// What the tests of the Win32 runtime share: running a message loop against a deadline, the
// far end of a serial line, and checks of run-time errors.
namespace velko::wintest {

using namespace std::chrono_literals;
using Clock = MessageLoop::Clock;

// The runner links COM7 and COM8 to two pseudo-terminals joined like a null-modem cable.
inline constexpr int16_t kPortUnderTest = 7;
inline constexpr int16_t kPeerPort = 8;
// A port the runner leaves unlinked.
inline constexpr int16_t kMissingPort = 99;

// Runs the loop, blocking between passes, until done() holds (true) or the time is up (false).
bool runUntil(MessageLoop& loop, const std::function<bool()>& done,
              std::chrono::milliseconds limit);
// Runs the loop for the whole time.
void runFor(MessageLoop& loop, std::chrono::milliseconds duration);

// The far end of the line, reached as a plain blocking port.
class PeerPort {
  public:
    PeerPort();
    ~PeerPort();
    PeerPort(const PeerPort&) = delete;
    PeerPort& operator=(const PeerPort&) = delete;

    void write(std::string_view bytes);
    // The bytes that arrive until count have arrived or the time is up.
    std::string read(size_t count, std::chrono::milliseconds limit);

  private:
    HANDLE handle_;
};

// The number of the run-time error that action raised; 0 when it raised none.
int32_t errorNumberOf(const std::function<void()>& action);

}  // namespace velko::wintest
