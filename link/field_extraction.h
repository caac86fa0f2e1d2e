#pragma once

#include "control/shared_state.h"

namespace velko {

// The three field operations on the receive buffer. Reads stay within the current message:
// the message being decoded (see MessageScope), or else the text through the buffer's first
// end line.
Text getInformationWithIndicator(SharedState& state, TextView title);
Text getInformationWithoutIndicator(SharedState& state);
void endMessageDiscard(SharedState& state);

}  // namespace velko
