#pragma once

#include <cstdint>
#include <optional>

#include "control/shared_state.h"

namespace velko {

// The three field operations on the receive buffer. Reads stay within the current message:
// the message being decoded (see MessageScope), or else the text through the buffer's first
// end line.
Text getInformationWithIndicator(SharedState& state, TextView title);
Text getInformationWithoutIndicator(SharedState& state);
void endMessageDiscard(SharedState& state);

// Marks the message at the front of the buffer as the one being decoded, for the lifetime of
// the scope. Nested scopes keep the outer message.
class MessageScope {
  public:
    explicit MessageScope(SharedState& state);
    ~MessageScope();
    MessageScope(const MessageScope&) = delete;
    MessageScope& operator=(const MessageScope&) = delete;

    // Stream offset just past the message's end line; none while no end line has arrived.
    std::optional<uint64_t> end() const { return state_.messageEnd; }
    // Removes what is left of the message, through its end line (everything, when its end line
    // has not arrived).
    void dropRest();

  private:
    SharedState& state_;
    std::optional<uint64_t> outer_;
};

}  // namespace velko
