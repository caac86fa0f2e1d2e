#include <unistd.h>

#include <iostream>
#include <memory>

#include "tools/posix/commands.h"
#include "tools/posix/device_option.h"
#include "tools/posix/host.h"
#include "tools/posix/stop_signals.h"

namespace velko::tools {

namespace {

struct MonitorOptions {
    HostOptions host;
    std::string port;
};

// The port named by --port; else COMN for a single --device N=PATH; else COM1.
std::string portName(const MonitorOptions& options) {
    if (!options.port.empty()) return options.port;
    if (options.host.devices.size() == 1) {
        const std::string& device = options.host.devices.front();
        return "COM" + device.substr(0, device.find('='));
    }
    return "COM1";
}

int monitor(const MonitorOptions& options) {
    Host host(options.host);
    StopSignals stop(host.loop());
    DescriptorLines input(host.loop(), STDIN_FILENO);
    const std::string port = portName(options);
    if (!options.host.json) std::cerr << "monitoring " << port << "; Ctrl-C ends\n";
    const auto opened = host.session().call(*findMethod("OpenVelko"), {fromUtf8(port), Text()});
    if (!opened || *opened != Value{int16_t{0}}) return 1;
    host.serve(input, false, [&stop] { return stop.requested(); });
    host.session().call(*findMethod("CloseVelko"), {fromUtf8(port), Text()});
    return 0;
}

}  // namespace

void addMonitorCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<MonitorOptions>();
    options->host.showDiagnostics = false;
    CLI::App* command = app.add_subcommand(
        "monitor", "Open the port and show every event as it arrives, until interrupted");
    command->add_option("--port", options->port,
                        "Port name (default COMN for one --device N=PATH, else COM1)");
    addDeviceOption(*command, options->host.devices);
    command->add_flag("--json", options->host.json, "The JSON lines of velko shell");
    command->add_flag("--verbose", options->host.showDiagnostics,
                      "Also show the diagnostic events DebugMsg and ReceiveReal");
    command->callback([options, &status] { status = monitor(*options); });
}

}  // namespace velko::tools
