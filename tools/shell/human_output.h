#pragma once

#include <optional>

#include "tools/shell/line_writer.h"
#include "tools/shell/output.h"

namespace velko::shell {

// Lines for a person:
//   OpenVelko("COM3", "") -> 0
//   TxData("x") -> error 8018: Operation valid only when the port is open
//   event HookEvent off-hook
//   event ReceiveCallByString call 1: 03-05 09:07  0212345678  홍길동  group 2  NORMAL
//   event ReceiveResponse d (100): "12-25" "09:30" ""
//   event ReceiveGatheredInfo a (97): 2 entries, then one indented line per entry
// A call shows the whole call reported just before its event (callReported). A host of the
// Windows module reports none, and there the event's text, which has no name, shows as it came:
//   event ReceiveCallByString call 1: "3 5 9 7 0212345678 2 NORMAL "
// The diagnostic events (DebugMsg, ReceiveReal) are shown only when asked for.
class HumanOutput final : public ShellOutput {
  public:
    HumanOutput(LineWriter& out, bool showDiagnostics)
        : out_(out), showDiagnostics_(showDiagnostics) {}

    void called(const MemberInfo& method, const Value& result,
                std::span<const Value> args) override;
    void failed(std::string_view name, const RuntimeError& error,
                std::span<const Value> args) override;
    void event(const MemberInfo& event, std::span<const Value> params) override;
    void badInput(std::string_view line, std::string_view description) override;
    void callReported(const CallReport& report) override { reportedCall_ = report; }

  private:
    void print(const std::string& line);
    std::string describeEvent(const MemberInfo& event, std::span<const Value> params);

    LineWriter& out_;
    bool showDiagnostics_;
    std::optional<CallReport> reportedCall_;
};

}  // namespace velko::shell
