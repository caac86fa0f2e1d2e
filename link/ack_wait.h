#pragma once

#include "control/shared_state.h"
#include "link/message_loop.h"
#include "link/timer.h"

namespace velko {

// The timer's tick: counts it.
void timerTick(SharedState& state);
void startAckWait(SharedState& state, Timer& timer);
void stopAckWait(Timer& timer);

// Waits for the terminal's acknowledgement while the thread's notifications run; blocks in the
// message loop between them. True when acknowledged, false when the wait ran out.
bool waitForAck(SharedState& state, Timer& timer, MessageLoop& loop);

}  // namespace velko
