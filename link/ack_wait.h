#pragma once

#include <chrono>

#include "control/shared_state.h"
#include "link/message_loop.h"
#include "link/serial_port.h"
#include "link/timer.h"

namespace velko {

// A wait has run out once more than this many ticks have been counted: from the 11th tick on.
inline constexpr int32_t kAckTimeoutTicks = 10;

// The longest one wait may last, measured from its own start: the 11 ticks of the time-out and
// a margin for a tick that arrives a little late. The counter and the timer are shared, so a
// wait started from an event handler in the middle of another one resets the counter and may
// switch the timer off; this limit still ends the outer wait.
inline constexpr std::chrono::milliseconds kAckWaitLimit =
    (kAckTimeoutTicks + 1) * Timer::kInterval + std::chrono::milliseconds(250);

// The timer's tick: counts it, and does nothing else.
void timerTick(SharedState& state);
// Switches the timer off; the flag and the counter keep their values.
void stopAckWait(Timer& timer);

// Runs one whole wait for the terminal's acknowledgement: starts it, lets the thread's
// notifications run until the flag is set, the time-out rule holds, the limit has passed or the
// port is no longer open (closed by a handler, or its device gone), blocking in the message loop
// between them, and stops it (also when a notification fails). The outcome is the flag alone:
// true when acknowledged.
bool waitForAck(SharedState& state, Timer& timer, MessageLoop& loop, const SerialPort& port,
                std::chrono::milliseconds limit = kAckWaitLimit);

}  // namespace velko
