#pragma once

#include <string>
#include <vector>

#include "tools/shell/host_parts.h"

namespace velko::shell {

// The port velko monitor opens: the one named by --port; else COMN for a single --device
// N=PATH; else COM1.
std::string monitorPortName(const std::string& port, const std::vector<std::string>& devices);

struct MonitorOptions {
    std::string port;     // the name OpenVelko is given
    bool json = false;    // no remarks on standard error beyond the notices
    bool reopen = false;  // wait for a device that is missing or gone, and open it again
};

// Opens the port and shows every event, executing the lines of standard input, until a stop
// request (which closes the port at once, also in the middle of a call; status 0), a :quit line
// (0), or a failed write to standard output (exit_status::kOutputFailed). A port that does not
// open ends it with exit_status::kPortNotOpened, a device that goes away with
// exit_status::kDeviceGone; with reopen it tries again instead, after 0.5 s, then waits twice as
// long after each failed attempt, up to 10 s. The port is closed at the end.
int runMonitor(const HostParts& host, const MonitorOptions& options);

}  // namespace velko::shell
