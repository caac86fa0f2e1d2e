#include "control/message_window.h"

#include <algorithm>

#include "control/runtime_error.h"

namespace velko {

TextView currentMessage(const SharedState& state) {
    const TextView buffer = state.gRxData.view();
    if (state.messageEnd) {
        const uint64_t consumed = state.gRxData.consumedTotal();
        if (*state.messageEnd <= consumed) return {};
        return buffer.substr(0, static_cast<size_t>(std::min<uint64_t>(*state.messageEnd - consumed,
                                                                       buffer.size())));
    }
    const size_t end = buffer.find(kEndLine);
    return end == TextView::npos ? buffer : buffer.substr(0, end + kEndLine.size());
}

void checkHeldPosition(size_t index) {
    if (index >= kLastHeldPosition) raiseOverflow();
}

MessageScope::MessageScope(SharedState& state) : state_(state), outer_(state.messageEnd) {
    if (outer_) return;
    const size_t endLine = state.gRxData.view().find(kEndLine);
    if (endLine != TextView::npos) {
        state.messageEnd = state.gRxData.consumedTotal() + endLine + kEndLine.size();
    }
}

MessageScope::~MessageScope() { state_.messageEnd = outer_; }

void MessageScope::dropRest() { state_.gRxData.consumeFront(currentMessage(state_).size()); }

}  // namespace velko
