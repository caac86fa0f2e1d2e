#include "link/ack_wait.h"

namespace velko {

void timerTick(SharedState& state) { ++state.gTimerTicks; }
void startAckWait(SharedState&, Timer&) {}
void stopAckWait(Timer&) {}
bool waitForAck(SharedState&, Timer&, MessageLoop&) { return false; }

}  // namespace velko
