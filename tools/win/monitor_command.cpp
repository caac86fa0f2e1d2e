#include <iostream>
#include <memory>

#include "tools/shell/monitor_run.h"
#include "tools/win/com_failure.h"
#include "tools/win/com_host.h"
#include "tools/win/commands.h"
#include "tools/win/device_option.h"
#include "tools/win/stop_request.h"

namespace velko::tools::win {

namespace {

struct MonitorOptions {
    HostOptions host;
    std::string port;
};

int monitor(const MonitorOptions& options) {
    ComHost host(options.host);
    StopRequest stop(host.window());
    StdinLines input(host.window());
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
    command->callback([options, &status] {
        try {
            status = monitor(*options);
        } catch (const ComFailure& failure) {
            std::cerr << "velko: " << failure.what() << '\n';
            status = 1;
        }
    });
}

}  // namespace velko::tools::win
