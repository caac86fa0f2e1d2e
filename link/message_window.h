#pragma once

#include <cstddef>
#include <cstdint>

#include "control/shared_state.h"

namespace velko {

// The end line that closes every message the terminal sends.
inline constexpr TextView kEndLine = u"End\r\n";

// The text at the front of the receive buffer that belongs to the current message. While a
// message is being decoded, that is what is left of it through its end line (nothing once its
// end line is consumed); otherwise the text through the buffer's first end line, or the whole
// buffer when none has arrived.
TextView currentMessage(const SharedState& state);

// A 0-based index into the buffer as the 1-based position the control holds in 16 bits. An
// index whose position lies beyond 32,767 is an overflow run-time error.
int16_t heldPosition(size_t index);

}  // namespace velko
