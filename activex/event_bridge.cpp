#include "activex/event_bridge.h"

#include "activex/event_arguments.h"
#include "control/automation_table.h"

namespace velko::win32 {

template <typename Fill>
void EventBridge::raise(std::string_view name, Fill fill) {
    const DISPID event = findEvent(name)->dispid;
    const ComRef<IUnknown> keepAlive = ComRef<IUnknown>::share(&owner_);
    for (const auto& [cookie, sink] : point_.sinks()) {
        if (!point_.advised(cookie)) continue;
        EventArguments arguments;
        fill(arguments);
        DISPPARAMS params = arguments.params();
        sink->Invoke(event, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                     nullptr, nullptr);
    }
}

void EventBridge::DebugMsg(const Text& str) {
    raise("DebugMsg", [&](EventArguments& a) { a.addString(str); });
}

void EventBridge::ReceiveReal(const Text& str) {
    raise("ReceiveReal", [&](EventArguments& a) { a.addString(str); });
}

void EventBridge::ReceiveCallByString(int16_t callState, Text& cidStrInfo) {
    raise("ReceiveCallByString", [&](EventArguments& a) {
        a.addShort(callState);
        a.addStringRef(cidStrInfo);
    });
}

void EventBridge::ReceiveCall(int16_t callState, CID_INFO& cidInfo) {
    raise("ReceiveCall", [&](EventArguments& a) {
        a.addShort(callState);
        a.addRecordRef(cidInfoRecord_, cidInfo);
    });
}

void EventBridge::HookEvent(bool eventType) {
    raise("HookEvent", [&](EventArguments& a) { a.addBool(eventType); });
}

void EventBridge::ReceiveResponse(int16_t msgType, const Text& rst1, const Text& rst2,
                                  const Text& rst3) {
    raise("ReceiveResponse", [&](EventArguments& a) {
        a.addShort(msgType);
        a.addString(rst1);
        a.addString(rst2);
        a.addString(rst3);
    });
}

void EventBridge::ReceiveGatheredInfo(int16_t& max, int16_t& kind, CidList& cidInfo) {
    raise("ReceiveGatheredInfo", [&](EventArguments& a) {
        a.addShortRef(max);
        a.addShortRef(kind);
        a.addRecordArrayRef(cidInfoRecord_, cidInfo);
    });
}

}  // namespace velko::win32
