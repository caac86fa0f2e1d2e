#pragma once

#include <functional>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/shell/backend.h"
#include "tools/shell/output.h"

namespace velko::shell {

// Executes shell lines (line_parser.h) against one control: looks the method up by name
// (case-insensitive) or dispatch id in the automation table, converts the arguments, calls the
// backend and reports the call, or its failure, to the output.
class ShellSession {
  public:
    ShellSession(ShellBackend& backend, ShellOutput& output) : backend_(backend), output_(output) {}

    // Executes one line; false when it asks the session to end.
    bool execute(std::string_view line);

    // Ends a :wait early once interrupted() holds (a stop request).
    void setInterrupted(std::function<bool()> interrupted) {
        interrupted_ = std::move(interrupted);
    }

    // Calls a method with arguments typed as texts; the result, or nothing when the call failed.
    std::optional<Value> call(const MemberInfo& method, const std::vector<Text>& typed);

  private:
    ShellBackend& backend_;
    ShellOutput& output_;
    std::function<bool()> interrupted_ = [] { return false; };
};

}  // namespace velko::shell
