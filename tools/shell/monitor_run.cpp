#include "tools/shell/monitor_run.h"

namespace velko::tools {

std::string monitorPortName(const std::string& port, const std::vector<std::string>& devices) {
    if (!port.empty()) return port;
    if (devices.size() == 1) return "COM" + devices.front().substr(0, devices.front().find('='));
    return "COM1";
}

}  // namespace velko::tools
