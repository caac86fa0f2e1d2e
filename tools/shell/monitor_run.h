#pragma once

#include <iostream>
#include <string>
#include <vector>

#include "control/automation_table.h"

namespace velko::tools {

// The port velko monitor opens: the one named by --port; else COMN for a single --device
// N=PATH; else COM1.
std::string monitorPortName(const std::string& port, const std::vector<std::string>& devices);

// Opens the port, shows every event until stopRequested() holds, and closes the port. The host
// is the platform's (POSIX poll loop or COM); input carries shell lines from standard input.
// Returns the process status: 1 when the port does not open.
template <typename Host, typename Input, typename StopRequested>
int runMonitor(Host& host, Input& input, StopRequested stopRequested, const std::string& port,
               bool json) {
    if (!json) std::cerr << "monitoring " << port << "; Ctrl-C ends\n";
    const auto opened = host.session().call(*findMethod("OpenVelko"), {fromUtf8(port), Text()});
    if (!opened || *opened != Value{int16_t{0}}) return 1;
    host.serve(input, false, stopRequested);
    host.session().call(*findMethod("CloseVelko"), {fromUtf8(port), Text()});
    return 0;
}

}  // namespace velko::tools
