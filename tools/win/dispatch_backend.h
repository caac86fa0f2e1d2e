#pragma once

#include <oaidl.h>

#include "link/message_loop.h"
#include "tools/shell/backend.h"

namespace velko::tools::win {

// The shell's calls made on the registered control through its IDispatch, as a script host
// makes them: the member's dispatch id asked by name (GetIDsOfNames), arguments passed by
// value or, for by-reference parameters, as references to VARIANTs that receive the values the
// control writes back. A failure with exception information becomes the run-time error it
// carries; any other failed HRESULT becomes an error with that number.
class DispatchBackend final : public shell::ShellBackend {
  public:
    DispatchBackend(IDispatch& control, MessageLoop& loop) : control_(control), loop_(loop) {}

    Value call(const MemberInfo& method, std::vector<Value>& args) override;
    void runFor(std::chrono::milliseconds duration,
                const std::function<bool()>& interrupted) override;

  private:
    DISPID dispatchIdOf(const MemberInfo& method);

    IDispatch& control_;
    MessageLoop& loop_;
};

}  // namespace velko::tools::win
