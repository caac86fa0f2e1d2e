#pragma once

#include <vector>

#include "control/automation_table.h"
#include "control/value.h"

namespace velko::shell {

// Converts the arguments typed for a method to its parameters' types: a text parameter takes
// the argument as it stands, a numeric one its decimal value. Throws RuntimeError with the
// dispatch failures: a count outside the method's required and optional parameters
// (kBadParamCount), an argument that is no decimal number (kTypeMismatch), a number outside the
// parameter's range (kOverflow).
std::vector<Value> convertArguments(const MemberInfo& method, const std::vector<Text>& typed);

// The typed arguments as texts, for reporting a call that was never made.
std::vector<Value> typedArguments(const std::vector<Text>& typed);

}  // namespace velko::shell
