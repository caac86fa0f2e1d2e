#pragma once

#include <optional>

#include "control/cid_info.h"
#include "control/text.h"

namespace velko {

// A caller report as a host receives it, read back into its fields: the call text of
// ReceiveCallByString, and the caller's name, which only the report's buffer diagnostic shows.

// The call a ReceiveCallByString text stands for: month, day, hour, minute, number, group and
// type, each followed by one blank. Nothing when the text has another shape.
std::optional<CID_INFO> parseCallString(const Text& cidStrInfo);

// The name of the caller in the report the "ProcessReport(): gRxData:" diagnostic shows (the
// call text carries none). Nothing for another diagnostic or a report without a name.
std::optional<Text> nameInReportDiagnostic(const Text& diagnostic);

}  // namespace velko
