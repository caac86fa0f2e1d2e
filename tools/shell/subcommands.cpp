#include "tools/shell/subcommands.h"

#include <iostream>
#include <memory>

#include "tools/shell/device_option.h"
#include "tools/shell/monitor_run.h"

namespace velko::shell {

namespace {

void addDevicesAndShares(CLI::App& command, const ShareMapping& shares, HostOptions& host,
                         ShareOptions& shareOptions) {
    if (shares.onCommandLine) {
        addDeviceOrShareOption(command, host.devices);
        addShareOptions(command, shareOptions);
    } else {
        addDeviceOption(command, host.devices, shares.elsewhere);
    }
}

void checkDevicesAndShares(HostOptions& host, const ShareOptions& shareOptions) {
    checkDistinctPorts(host.devices);
    host.shares = sharesOf(host.devices, shareOptions);
}

}  // namespace

void addShellCommand(CLI::App& app, int& status, const ShareMapping& shares,
                     std::function<int(const HostOptions&)> run) {
    struct Options {
        HostOptions host;
        ShareOptions shares;
        bool hideDiagnostics = false;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "shell", "Drive one control with calls read from standard input, printing every event");
    command->add_flag("--json", options->host.json, "One JSON object per line");
    command->add_flag("--hide-diagnostics", options->hideDiagnostics,
                      "Leave the diagnostic events DebugMsg and ReceiveReal out of the readable "
                      "output");
    addDevicesAndShares(*command, shares, options->host, options->shares);
    command->callback([options, &status, run = std::move(run)] {
        checkDevicesAndShares(options->host, options->shares);
        options->host.showDiagnostics = !options->hideDiagnostics;
        status = run(options->host);
    });
}

void addMonitorCommand(CLI::App& app, int& status, const ShareMapping& shares,
                       std::function<int(const HostOptions&, const MonitorOptions&)> run) {
    struct Options {
        HostOptions host;
        ShareOptions shares;
        MonitorOptions monitor;
    };
    auto options = std::make_shared<Options>();
    options->host.showDiagnostics = false;
    CLI::App* command = app.add_subcommand(
        "monitor", "Open the port and show every event as it arrives, until interrupted");
    command->add_option("--port", options->monitor.port,
                        "Port name (default COMN for one --device N=PATH, else COM1)");
    addDevicesAndShares(*command, shares, options->host, options->shares);
    command->add_flag("--json", options->host.json, "The JSON lines of velko shell");
    command->add_flag("--verbose", options->host.showDiagnostics,
                      "Also show the diagnostic events DebugMsg and ReceiveReal");
    command->add_flag("--reopen", options->monitor.reopen,
                      "When the device is missing or goes away, wait for it and open it again");
    command->callback([options, &status, run = std::move(run)] {
        checkDevicesAndShares(options->host, options->shares);
        options->monitor.port = monitorPortName(options->monitor.port, options->host.devices);
        options->monitor.json = options->host.json;
        status = run(options->host, options->monitor);
    });
}

bool usageWithoutCommand(const CLI::App& app) {
    if (!app.get_subcommands().empty()) return false;
    std::cerr << app.help();
    return true;
}

}  // namespace velko::shell
