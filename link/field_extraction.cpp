#include "link/field_extraction.h"

#include "control/message_window.h"
#include "control/runtime_error.h"

namespace velko {

Text getInformationWithIndicator(SharedState& state, TextView title) {
    const TextView message = currentMessage(state);
    if (message.empty()) return {};
    const size_t titleAt = message.find(title);
    if (titleAt == TextView::npos) return {};
    checkHeldPosition(titleAt);
    const size_t valueAt = titleAt + title.size();
    const size_t lineEnd = message.find(kCRLF, valueAt);
    // Everything through the title goes, whether or not the value has an end.
    state.gRxData.consumeFront(valueAt);
    if (lineEnd == TextView::npos) raiseInvalidArgument();
    const size_t length = lineEnd - valueAt;
    checkHeldPosition(length);
    Text value(state.gRxData.view().substr(0, length));
    state.gRxData.consumeFront(length + kCRLF.size());
    return value;
}

Text getInformationWithoutIndicator(SharedState& state) {
    const TextView message = currentMessage(state);
    const size_t lineEnd = message.find(kCRLF);
    if (lineEnd == TextView::npos) return {};
    checkHeldPosition(lineEnd);
    Text line(message.substr(0, lineEnd));
    state.gRxData.consumeFront(lineEnd + kCRLF.size());
    return line;
}

void endMessageDiscard(SharedState& state) {
    const size_t endLine = currentMessage(state).find(kEndLine);
    if (endLine == TextView::npos) return;
    checkHeldPosition(endLine);
    state.gRxData.consumeFront(endLine + kEndLine.size());
}

}  // namespace velko
