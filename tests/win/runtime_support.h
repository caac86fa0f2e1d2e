#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>

#include "control/runtime_error.h"
#include "link/message_loop.h"
#include "tests/win/support/check.h"
#include "tests/win/support/terminal_line.h"

// What the tests of the Win32 runtime share: running a message loop against a deadline, the
// ports of the serial line (terminal_line.h), and checks of run-time errors.
namespace velko::wintest {

using namespace std::chrono_literals;
using Clock = MessageLoop::Clock;

// A port the runner leaves unlinked.
inline constexpr int16_t kMissingPort = 99;

// Runs the loop, blocking between passes, until done() holds (true) or the time is up (false).
bool runUntil(MessageLoop& loop, const std::function<bool()>& done,
              std::chrono::milliseconds limit);
// Runs the loop for the whole time.
void runFor(MessageLoop& loop, std::chrono::milliseconds duration);

// The number of the run-time error that action raised; 0 when it raised none.
int32_t errorNumberOf(const std::function<void()>& action);

}  // namespace velko::wintest
