#include <iostream>
#include <memory>

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
    ComHost host(options.host);
    StopRequest stop(host.window());
    StdinLines input(host.window());
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
