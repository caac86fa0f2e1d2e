#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "control/call_report.h"
#include "control/cid_info.h"
#include "control/text.h"

namespace velko {

// The event interface __velko_foxpro, as a sink implements it. Parameters passed by reference
// in the interface are references here; the control ignores what a sink writes into them. Each
// event does nothing unless a sink overrides it.
//
// callReported is no event of the interface: the report decoder raises it to sinks in C++ just
// before ReceiveCallByString, with the whole call. The Windows module does not pass it on.
class VelkoEvents {
  public:
    virtual ~VelkoEvents() = default;
    virtual void DebugMsg(const Text& /*str*/) {}
    virtual void ReceiveReal(const Text& /*str*/) {}
    virtual void ReceiveCallByString(int16_t /*callState*/, Text& /*cidStrInfo*/) {}
    virtual void ReceiveCall(int16_t /*callState*/, CID_INFO& /*cidInfo*/) {}
    virtual void HookEvent(bool /*eventType*/) {}
    virtual void ReceiveResponse(int16_t /*msgType*/, const Text& /*rst1*/, const Text& /*rst2*/,
                                 const Text& /*rst3*/) {}
    virtual void ReceiveGatheredInfo(int16_t& /*max*/, int16_t& /*kind*/, CidList& /*cidInfo*/) {}
    virtual void callReported(const CallReport& /*report*/) {}
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
    void callReported(const CallReport& report) override;

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
