#include "control/last_received.h"

#include <algorithm>
#include <utility>

#include "control/runtime_error.h"

namespace velko {

void LastReceived::ReceiveGatheredInfo(int16_t& max, int16_t& kind, CidList& cidInfo) {
    listKind_ = kind;
    // Whatever count an event carries, an index never reaches past the list's entries.
    listCount_ = std::clamp<int16_t>(max, 0, static_cast<int16_t>(kCidListSize));
    list_ = std::move(cidInfo);
}

const CID_INFO& LastReceived::listEntry(int16_t index) const {
    if (index < 1 || index > listCount_) raiseSubscriptOutOfRange();
    return list_[static_cast<size_t>(index - 1)];
}

}  // namespace velko
