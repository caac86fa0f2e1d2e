#pragma once

#include <functional>

#include "control/events.h"

namespace velko::gateway {

// A sink of the control's events that hands on what the gateway keeps: each call the report
// decoder read, whole, each hook change, and each list the terminal sent back (the stored-call
// list among them).
class TerminalReader final : public VelkoEvents {
  public:
    struct Handlers {
        std::function<void(const CallReport& report)> call;
        std::function<void(bool offHook)> hook;
        std::function<void(int16_t count, int16_t kind, const CidList& list)> gathered;
    };

    explicit TerminalReader(Handlers handlers) : handlers_(std::move(handlers)) {}

    void callReported(const CallReport& report) override { handlers_.call(report); }
    void HookEvent(bool eventType) override { handlers_.hook(eventType); }
    void ReceiveGatheredInfo(int16_t& count, int16_t& kind, CidList& list) override {
        handlers_.gathered(count, kind, list);
    }

  private:
    Handlers handlers_;
};

}  // namespace velko::gateway
