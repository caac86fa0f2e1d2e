#pragma once

#include <oaidl.h>

#include <string_view>

#include "activex/connection_point.h"
#include "control/events.h"

namespace velko::win32 {

class EventArguments;

// Raises the control's events to every sink advised at the connection point, through
// IDispatch::Invoke with the event's dispatch identifier, synchronously, in advise order. Each
// sink gets arguments of its own; what a sink writes into by-reference arguments goes nowhere.
// The owner (the control object) stays alive while an event is under way.
class EventBridge final : public VelkoEvents {
  public:
    EventBridge(IUnknown& owner, const ConnectionPoint& point, IRecordInfo& cidInfoRecord)
        : owner_(owner), point_(point), cidInfoRecord_(cidInfoRecord) {}

    void DebugMsg(const Text& str) override;
    void ReceiveReal(const Text& str) override;
    void ReceiveCallByString(int16_t callState, Text& cidStrInfo) override;
    void ReceiveCall(int16_t callState, CID_INFO& cidInfo) override;
    void HookEvent(bool eventType) override;
    void ReceiveResponse(int16_t msgType, const Text& rst1, const Text& rst2,
                         const Text& rst3) override;
    void ReceiveGatheredInfo(int16_t& max, int16_t& kind, CidList& cidInfo) override;

  private:
    template <typename Fill>
    void raise(std::string_view name, Fill fill);

    IUnknown& owner_;
    const ConnectionPoint& point_;
    IRecordInfo& cidInfoRecord_;
};

}  // namespace velko::win32
