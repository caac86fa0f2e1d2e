#include "tools/shell/monitor_run.h"

#include <iostream>

#include "tools/shell/device_option.h"
#include "tools/shell/serve.h"

namespace velko::shell {

std::string monitorPortName(const std::string& port, const std::vector<std::string>& devices) {
    if (!port.empty()) return port;
    if (devices.size() == 1) {
        if (const auto device = parseDevice(devices.front())) {
            return "COM" + std::to_string(device->port);
        }
    }
    return "COM1";
}

int runMonitor(MessageLoop& loop, ShellSession& session, InputLines& input,
               const std::function<bool()>& stopRequested, const std::string& port, bool json) {
    if (!json) std::cerr << "monitoring " << port << "; Ctrl-C ends\n";
    const auto opened = session.call(*findMethod("OpenVelko"), {fromUtf8(port), Text()});
    if (!opened || *opened != Value{int16_t{0}}) return 1;
    serve(loop, session, input, false, stopRequested);
    session.call(*findMethod("CloseVelko"), {fromUtf8(port), Text()});
    return 0;
}

}  // namespace velko::shell
