#include <unistd.h>

#include <iostream>
#include <memory>

#include "tools/posix/commands.h"
#include "tools/posix/device_option.h"
#include "tools/posix/host.h"
#include "tools/posix/stop_signals.h"
#include "tools/shell/monitor_run.h"

namespace velko::tools {

namespace {

struct MonitorOptions {
    HostOptions host;
    std::string port;
};

int monitor(const MonitorOptions& options) {
    Host host(options.host);
    StopSignals stop(host.loop());
    DescriptorLines input(host.loop(), STDIN_FILENO);
    return runMonitor(
        host, input, [&stop] { return stop.requested(); },
        monitorPortName(options.port, options.host.devices), options.host.json);
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
