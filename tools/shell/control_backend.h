#pragma once

#include "control/velko_interface.h"
#include "link/message_loop.h"
#include "tools/shell/backend.h"

namespace velko::shell {

// The backend for a control in this process: calls go through the automation table, and the
// control's thread runs its message loop.
class ControlBackend final : public ShellBackend {
  public:
    ControlBackend(_velko_foxpro& control, MessageLoop& loop) : control_(control), loop_(loop) {}

    Value call(const MemberInfo& method, std::vector<Value>& args) override;
    void runFor(std::chrono::milliseconds duration,
                const std::function<bool()>& interrupted) override;

  private:
    _velko_foxpro& control_;
    MessageLoop& loop_;
};

}  // namespace velko::shell
