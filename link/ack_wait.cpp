#include "link/ack_wait.h"

namespace velko {

void timerTick(SharedState& state) { ++state.gTimerTicks; }

void stopAckWait(Timer& timer) { timer.setEnabled(false); }

namespace {

// Clears the flag, zeroes the counter and switches the timer on, in this order.
void startAckWait(SharedState& state, Timer& timer) {
    state.gAckReceived = false;
    state.gTimerTicks = 0;
    timer.setEnabled(true);
}

// Blocks only while nothing has set the flag: a pass whose notifications brought the
// acknowledgement, or closed the port, ends the wait at once.
void passUntilAcknowledged(SharedState& state, MessageLoop& loop, const SerialPort& port,
                           MessageLoop::Clock::time_point deadline) {
    while (!state.gAckReceived) {
        loop.runPending();
        if (!port.portOpen()) return;
        if (state.gTimerTicks > kAckTimeoutTicks) return;
        if (MessageLoop::Clock::now() >= deadline) return;
        if (!state.gAckReceived) loop.waitForActivity(deadline);
    }
}

// Stops the wait when it ends, also when a notification fails. Switching a timer off cannot
// fail.
struct StopOnExit {
    Timer& timer;
    ~StopOnExit() { stopAckWait(timer); }
};

}  // namespace

bool waitForAck(SharedState& state, Timer& timer, MessageLoop& loop, const SerialPort& port,
                std::chrono::milliseconds limit) {
    const auto deadline = MessageLoop::Clock::now() + limit;
    startAckWait(state, timer);
    const StopOnExit stop{timer};
    passUntilAcknowledged(state, loop, port, deadline);
    return state.gAckReceived;
}

}  // namespace velko
