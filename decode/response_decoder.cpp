#include "decode/response_decoder.h"

#include "control/message_window.h"
#include "decode/list_responses.h"
#include "decode/single_value_responses.h"

namespace velko {

void processResponse(SharedState& state, _velko_foxpro& self, VelkoEvents& events) {
    MessageScope scope(state);
    const TextView message = currentMessage(state);
    const size_t endLine = message.find(kEndLine);
    if (endLine == TextView::npos) return;
    checkHeldPosition(endLine);

    // The key stands alone on the first line; the cut falls after the first line that ends in it.
    const char16_t key = message.front();
    const size_t keyLine = message.find(Text{key} + Text{kCRLF});
    if (keyLine == TextView::npos) {
        scope.dropRest();
        return;
    }
    checkHeldPosition(keyLine);
    state.gRxData.consumeFront(keyLine + 1 + kCRLF.size());

    if (!decodeSingleValue(key, state, self, events)) decodeList(key, self, events);
    self.EndMessageDiscard();
}

}  // namespace velko
