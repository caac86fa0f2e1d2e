#pragma once

#include <functional>
#include <optional>

#include "control/events.h"

namespace velko::gateway {

// A sink of the control's events that hands on what the gateway keeps: each caller report with
// the caller's name (which only the report's buffer diagnostic carries), and each hook change.
class TerminalReader final : public VelkoEvents {
  public:
    struct Handlers {
        std::function<void(int16_t callState, const CID_INFO& call)> call;
        std::function<void(bool offHook)> hook;
    };

    explicit TerminalReader(Handlers handlers) : handlers_(std::move(handlers)) {}

    void DebugMsg(const Text& str) override;
    void ReceiveReal(const Text&) override {}
    void ReceiveCallByString(int16_t callState, Text& cidStrInfo) override;
    void ReceiveCall(int16_t, CID_INFO&) override {}
    void HookEvent(bool eventType) override { handlers_.hook(eventType); }
    void ReceiveResponse(int16_t, const Text&, const Text&, const Text&) override {}
    void ReceiveGatheredInfo(int16_t&, int16_t&, CidList&) override {}

  private:
    Handlers handlers_;
    std::optional<Text> reportedName_;
};

}  // namespace velko::gateway
