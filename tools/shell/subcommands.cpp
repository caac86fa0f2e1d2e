#include "tools/shell/subcommands.h"

#include <memory>

#include "tools/shell/device_option.h"
#include "tools/shell/monitor_run.h"

namespace velko::shell {

void addShellCommand(CLI::App& app, int& status, std::function<int(const HostOptions&)> run) {
    auto options = std::make_shared<HostOptions>();
    CLI::App* command = app.add_subcommand(
        "shell", "Drive one control with calls read from standard input, printing every event");
    command->add_flag("--json", options->json, "One JSON object per line");
    addDeviceOption(*command, options->devices);
    command->callback([options, &status, run = std::move(run)] { status = run(*options); });
}

void addMonitorCommand(CLI::App& app, int& status,
                       std::function<int(const HostOptions&, const std::string& port)> run) {
    struct MonitorOptions {
        HostOptions host;
        std::string port;
    };
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
    command->callback([options, &status, run = std::move(run)] {
        status = run(options->host, monitorPortName(options->port, options->host.devices));
    });
}

}  // namespace velko::shell
