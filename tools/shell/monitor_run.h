#pragma once

#include <functional>
#include <string>
#include <vector>

#include "link/message_loop.h"
#include "tools/shell/input_lines.h"
#include "tools/shell/session.h"

namespace velko::shell {

// The port velko monitor opens: the one named by --port; else COMN for a single --device
// N=PATH; else COM1.
std::string monitorPortName(const std::string& port, const std::vector<std::string>& devices);

// Opens the port, shows every event until stopRequested() holds, and closes the port. The loop
// and the session are the platform host's (POSIX poll loop or COM); input carries shell lines
// from standard input. Returns the process status: 1 when the port does not open.
int runMonitor(MessageLoop& loop, ShellSession& session, InputLines& input,
               const std::function<bool()>& stopRequested, const std::string& port, bool json);

}  // namespace velko::shell
