#pragma once

#include "control/events.h"
#include "control/shared_state.h"
#include "control/velko_interface.h"

namespace velko {

// One step of the framing (docs/receive-framing.md): keeps the buffer within its bound, then
// hands the first complete message in the buffer to its decoder, dropping the text in front of
// its header; or, when the buffer holds end lines but no header, drops everything through its
// last end line. True when it handed on or dropped a message or such text.
bool dispatchNextMessage(SharedState& state, _velko_foxpro& self, VelkoEvents& events);

}  // namespace velko
