#pragma once

#include <cstdint>

#include "control/events.h"
#include "control/shared_state.h"
#include "link/message_loop.h"
#include "link/serial_port.h"
#include "link/timer.h"

namespace velko {

// Tests and rewrites the parameters of a command, runs the "[" / "ACK" exchange and writes the
// body, once: nothing is ever repeated. True when the body has been written. A failure with a
// reason leaves it in gErrorMsg; every run-time failure inside is trapped into false, leaving
// gErrorMsg as it was, unless the port has closed meanwhile. A port that closes during the
// wait (its device gone, or closed by an event handler) ends the wait at once, and like a
// port closed from the start it fails with the port-not-open message. The rewritten
// parameters stay rewritten whatever happens after the tests.
bool sendCmd(SharedState& state, SerialPort& port, Timer& timer, MessageLoop& loop,
             VelkoEvents& events, uint8_t& cmd, Text& para1, Text& para2, Text& para3);

}  // namespace velko
