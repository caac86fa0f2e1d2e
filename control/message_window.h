#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "control/shared_state.h"

namespace velko {

// The end line that closes every message the terminal sends.
inline constexpr TextView kEndLine = u"End\r\n";

// The last 1-based position the control holds in 16 bits. The receive buffer never holds more
// characters than this.
inline constexpr size_t kLastHeldPosition = 32767;

// The text at the front of the receive buffer that belongs to the current message. While a
// message is being decoded, that is what is left of it through its end line (nothing once its
// end line is consumed); otherwise the text through the buffer's first end line, or the whole
// buffer when none has arrived.
TextView currentMessage(const SharedState& state);

// Checks that a 0-based index into the buffer can be held as its 1-based position: one beyond
// kLastHeldPosition is an overflow run-time error.
void checkHeldPosition(size_t index);

// Marks the message at the front of the buffer as the one being decoded, for the lifetime of
// the scope. Nested scopes keep the outer message.
class MessageScope {
  public:
    explicit MessageScope(SharedState& state);
    ~MessageScope();
    MessageScope(const MessageScope&) = delete;
    MessageScope& operator=(const MessageScope&) = delete;

    // Removes what is left of the message, through its end line (everything, when its end line
    // has not arrived).
    void dropRest();

  private:
    SharedState& state_;
    std::optional<uint64_t> outer_;
};

}  // namespace velko
