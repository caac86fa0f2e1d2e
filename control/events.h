#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "control/cid_info.h"
#include "control/text.h"

namespace velko {

// The event interface __velko_foxpro, as a sink implements it. Parameters passed by reference
// in the interface are references here; the control ignores what a sink writes into them.
class VelkoEvents {
  public:
    virtual ~VelkoEvents() = default;
    virtual void DebugMsg(const Text& str) = 0;
    virtual void ReceiveReal(const Text& str) = 0;
    virtual void ReceiveCallByString(int16_t callState, Text& cidStrInfo) = 0;
    virtual void ReceiveCall(int16_t callState, CID_INFO& cidInfo) = 0;
    virtual void HookEvent(bool eventType) = 0;
    virtual void ReceiveResponse(int16_t msgType, const Text& rst1, const Text& rst2,
                                 const Text& rst3) = 0;
    virtual void ReceiveGatheredInfo(int16_t& max, int16_t& kind, CidList& cidInfo) = 0;
};

// The control's connection point: every event goes to every advised sink, synchronously, in
// advise order. A sink may advise or unadvise from inside an event.
class EventSource final : public VelkoEvents {
  public:
    using Cookie = uint32_t;

    Cookie advise(VelkoEvents& sink);
    bool unadvise(Cookie cookie);

    void DebugMsg(const Text& str) override;
    void ReceiveReal(const Text& str) override;
    void ReceiveCallByString(int16_t callState, Text& cidStrInfo) override;
    void ReceiveCall(int16_t callState, CID_INFO& cidInfo) override;
    void HookEvent(bool eventType) override;
    void ReceiveResponse(int16_t msgType, const Text& rst1, const Text& rst2,
                         const Text& rst3) override;
    void ReceiveGatheredInfo(int16_t& max, int16_t& kind, CidList& cidInfo) override;

  private:
    // Raises to every sink. With none advised, the usual case for the echo of every chunk
    // received, nothing is set up.
    template <typename Raise>
    void toEachSink(Raise raise) {
        if (!sinks_.empty()) toSnapshotOfSinks(raise);
    }
    template <typename Raise>
    void toSnapshotOfSinks(Raise raise);

    std::vector<std::pair<Cookie, VelkoEvents*>> sinks_;
    Cookie nextCookie_ = 1;
};

}  // namespace velko
