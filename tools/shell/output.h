#pragma once

#include <span>
#include <string_view>

#include "control/automation_table.h"
#include "control/call_report.h"
#include "control/runtime_error.h"
#include "control/value.h"

namespace velko::shell {

// Where the shell reports what happens, one report per line, flushed at once.
class ShellOutput {
  public:
    virtual ~ShellOutput() = default;

    // A call that returned; args are the arguments after the call (rewritten by-reference
    // values show).
    virtual void called(const MemberInfo& method, const Value& result,
                        std::span<const Value> args) = 0;
    // A call that failed; name is the canonical method name, or the name or #DISPID as typed
    // when no member was found.
    virtual void failed(std::string_view name, const RuntimeError& error,
                        std::span<const Value> args) = 0;
    // An event with its parameters in the order of the event interface.
    virtual void event(const MemberInfo& event, std::span<const Value> params) = 0;
    // A line that could not be read.
    virtual void badInput(std::string_view line, std::string_view description) = 0;
    // The whole call of the ReceiveCallByString event that follows, from a host of the C++
    // control (control/events.h); a host of the Windows module has no such report.
    virtual void callReported(const CallReport& /*report*/) {}
};

}  // namespace velko::shell
