#pragma once

#include <chrono>
#include <functional>
#include <vector>

#include "control/automation_table.h"
#include "control/value.h"

namespace velko::shell {

// The platform-neutral shell and what it needs from a platform.
//
// The shell (tools/shell/) reads lines of text, parses them (line_parser.h), looks the method
// up in the automation table, converts the typed arguments to the parameters' types
// (arguments.h), hands the call to a ShellBackend and reports the call, its result or failure,
// and every event through a ShellOutput (output.h: json_output.h, human_output.h). None of these
// files includes an operating-system header; they build for Linux and for Windows alike.
//
// A platform supplies:
//   - a ShellBackend that reaches one control: the Linux one invokes the C++ control through the
//     automation table; a Windows one invokes the registered control through IDispatch by the
//     member's dispatch id;
//   - the events: every event of the control goes to ShellOutput::event(info, params) with the
//     event's entry of eventTable() and its parameters as Values of the types that entry
//     gives, in the interface's order
//     (event_forwarder.h does this for a C++ VelkoEvents sink);
//   - the input: lines of UTF-8 text fed to ShellSession::execute (input_lines.h splits a byte
//     stream into lines), read while the control's message loop runs, so that events print as
//     they happen. A line is executed only when no other line is executing.
class ShellBackend {
  public:
    virtual ~ShellBackend() = default;

    // Calls a method with its arguments already converted to the parameters' types; omitted
    // optional arguments are absent from args. By-reference arguments are written back into
    // args. A failed call throws RuntimeError carrying its number and description: a run-time
    // error of the control, or a dispatch failure (the numbers in dispatch_error). Events raised
    // during the call go to the output before the call returns.
    virtual Value call(const MemberInfo& method, std::vector<Value>& args) = 0;

    // Runs the control's message loop for the given time, delivering notifications and events,
    // or until a notification makes interrupted() hold.
    virtual void runFor(std::chrono::milliseconds duration,
                        const std::function<bool()>& interrupted) = 0;
};

}  // namespace velko::shell
