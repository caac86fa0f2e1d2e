#include "decode/response_decoder.h"

#include "decode/list_responses.h"
#include "decode/single_value_responses.h"

namespace velko {

void processResponse(SharedState& state, _velko_foxpro& self, VelkoEvents& events) {
    RxBuffer& buffer = state.gRxData;
    MessageScope scope(buffer);
    if (!buffer.messageComplete()) return;

    // The key stands alone on the first line; the cut falls after the first line that ends in it.
    const char16_t key = buffer.currentMessage().front();
    if (!buffer.takeThroughTitle(Text{key} + Text{kCRLF})) {
        scope.dropRest();
        return;
    }

    if (!decodeSingleValue(key, state, self, events)) decodeList(key, self, events);
    self.EndMessageDiscard();
}

}  // namespace velko
