#include "tools/shell/event_forwarder.h"

#include <vector>

namespace velko::shell {

// An id the event table does not hold is not reported.
void EventForwarder::forward(int32_t dispid, std::initializer_list<Value> params) {
    const MemberInfo* event = findEvent(dispid);
    if (event == nullptr) return;
    const std::vector<Value> values(params);
    output_.event(*event, values);
}

void EventForwarder::DebugMsg(const Text& str) { forward(1, {Value{str}}); }

void EventForwarder::ReceiveReal(const Text& str) { forward(2, {Value{str}}); }

void EventForwarder::ReceiveCallByString(int16_t callState, Text& cidStrInfo) {
    forward(3, {Value{callState}, Value{cidStrInfo}});
}

void EventForwarder::ReceiveCall(int16_t callState, CID_INFO& cidInfo) {
    forward(4, {Value{callState}, Value{cidInfo}});
}

void EventForwarder::HookEvent(bool eventType) { forward(5, {Value{eventType}}); }

void EventForwarder::ReceiveResponse(int16_t msgType, const Text& rst1, const Text& rst2,
                                     const Text& rst3) {
    forward(6, {Value{msgType}, Value{rst1}, Value{rst2}, Value{rst3}});
}

void EventForwarder::ReceiveGatheredInfo(int16_t& max, int16_t& kind, CidList& cidInfo) {
    forward(7, {Value{max}, Value{kind}, Value{cidInfo}});
}

}  // namespace velko::shell
