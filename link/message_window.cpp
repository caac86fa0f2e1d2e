#include "link/message_window.h"

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

int16_t heldPosition(size_t index) {
    constexpr size_t kLastPosition = 32767;
    if (index >= kLastPosition) raiseOverflow();
    return static_cast<int16_t>(index + 1);
}

}  // namespace velko
