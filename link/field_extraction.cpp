#include "link/field_extraction.h"

#include "control/runtime_error.h"

namespace velko {

Text getInformationWithIndicator(SharedState& state, TextView title) {
    if (!state.gRxData.takeThroughTitle(title)) return {};
    // Everything through the title is gone by now, whether or not the value has an end.
    auto value = state.gRxData.takeLine();
    if (!value) raiseInvalidArgument();
    return std::move(*value);
}

Text getInformationWithoutIndicator(SharedState& state) {
    return state.gRxData.takeLine().value_or(Text{});
}

void endMessageDiscard(SharedState& state) { state.gRxData.discardThroughEndLine(); }

}  // namespace velko
