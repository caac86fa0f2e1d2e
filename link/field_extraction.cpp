#include "link/field_extraction.h"

namespace velko {

Text getInformationWithIndicator(SharedState&, TextView) { return {}; }
Text getInformationWithoutIndicator(SharedState&) { return {}; }
void endMessageDiscard(SharedState&) {}

MessageScope::MessageScope(SharedState& state)
    : state_(state), outer_(state.messageEnd), owner_(!state.messageEnd) {}
MessageScope::~MessageScope() { state_.messageEnd = outer_; }
void MessageScope::dropRest() {}

}  // namespace velko
