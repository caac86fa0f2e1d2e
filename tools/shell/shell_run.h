#pragma once

#include "tools/shell/host_parts.h"

namespace velko::shell {

// velko shell: executes the lines of standard input while the control's message loop runs,
// until they end (0) or ask to quit (0), standard output fails (exit_status::kOutputFailed,
// said on standard error) or a stop request arrives: that closes the port at once, so that a
// call waiting on it ends too, and the status is the request's.
int runShell(const HostParts& host);

}  // namespace velko::shell
