#pragma once

#include "control/shared_state.h"

namespace velko {

// The three field operations on the receive buffer. Reads stay within the buffer's current
// message (RxBuffer::currentMessage).
Text getInformationWithIndicator(SharedState& state, TextView title);
Text getInformationWithoutIndicator(SharedState& state);
void endMessageDiscard(SharedState& state);

}  // namespace velko
