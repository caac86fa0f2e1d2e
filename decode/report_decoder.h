#pragma once

#include "control/events.h"
#include "control/shared_state.h"
#include "control/velko_interface.h"

namespace velko {

// Decodes the caller report at the front of the receive buffer, reading its fields through the
// control's own interface. A call (report D or E) goes to the sinks twice: whole, as
// callReported, then as the text of ReceiveCallByString.
void processReport(SharedState& state, _velko_foxpro& self, VelkoEvents& events);

}  // namespace velko
