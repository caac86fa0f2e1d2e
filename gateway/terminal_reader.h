#pragma once

#include <functional>

#include "control/events.h"

namespace velko::gateway {

// A sink of the control's events that hands on what the gateway keeps: each call the report
// decoder read, whole, and each hook change.
class TerminalReader final : public VelkoEvents {
  public:
    struct Handlers {
        std::function<void(const CallReport& report)> call;
        std::function<void(bool offHook)> hook;
    };

    explicit TerminalReader(Handlers handlers) : handlers_(std::move(handlers)) {}

    void callReported(const CallReport& report) override { handlers_.call(report); }
    void HookEvent(bool eventType) override { handlers_.hook(eventType); }

  private:
    Handlers handlers_;
};

}  // namespace velko::gateway
