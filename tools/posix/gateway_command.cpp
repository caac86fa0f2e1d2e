#include <cctype>
#include <memory>

#include "gateway/call_log_path.h"
#include "gateway/posix/gateway_service.h"
#include "tools/posix/commands.h"
#include "tools/posix/config_file.h"
#include "tools/posix/stop_signals.h"
#include "tools/shell/device_option.h"
#include "tools/shell/monitor_run.h"

namespace velko::tools {

namespace {

struct GatewayCommandOptions {
    std::string configFile;
    gateway::GatewayOptions gateway;
    std::vector<std::string> devices;
    int ringingSeconds = 30;
};

// Two to six letters, digits, "-" and "_": the servers the gateway feeds read shorter or longer
// names badly.
std::string checkLine(const std::string& line) {
    if (line.size() < 2 || line.size() > 6) return "two to six characters";
    for (const char c : line) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') {
            return "letters, digits, - and _ only";
        }
    }
    return "";
}

int serveGateway(GatewayCommandOptions& options) {
    posix::PosixPlatform platform;
    for (const std::string& text : options.devices) {
        if (const auto device = shell::parseDevice(text)) {
            platform.ports().map(device->port, device->path);
        }
    }
    options.gateway.port = shell::monitorPortName(options.gateway.port, options.devices);
    if (options.gateway.callsPath.empty()) {
        options.gateway.callsPath = gateway::defaultCallLogPath();
    }
    options.gateway.ringingTime = std::chrono::seconds(options.ringingSeconds);
    StopSignals stop(platform.loop());
    return gateway::runGateway(platform, options.gateway, [&stop] { return stop.requested(); });
}

}  // namespace

void addGatewayCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<GatewayCommandOptions>();
    CLI::App* command = app.add_subcommand(
        "gateway",
        "Read the terminal's calls into the call log and deliver them to NCID and MQTT, until "
        "SIGTERM or Ctrl-C");
    command
        ->add_option("--config", options->configFile,
                     "Read these options from FILE (TOML or INI); the command line wins")
        ->check(CLI::ExistingFile);
    command->add_option("--port", options->gateway.port,
                        "Port name (default COMN for one --device N=PATH, else COM1)");
    shell::addDeviceOption(*command, options->devices);
    command->add_option("--line", options->gateway.line, "The line's name in every output")
        ->default_str("velko")
        ->check(CLI::Validator(checkLine, "ID"));
    command->add_option("--calls", options->gateway.callsPath,
                        "The call log (default $STATE_DIRECTORY/calls.db, else "
                        "~/.local/state/velko/calls.db)");
    command->add_flag("--power-safe", options->gateway.powerSafe,
                      "Flush every logged call to the disk, so that it survives a power cut "
                      "(slower: see the README)");
    command
        ->add_option("--ringing-seconds", options->ringingSeconds,
                     "The line counts as ringing this long after a call report")
        ->default_str("30")
        ->check(CLI::PositiveNumber);
    command->add_flag("--json", options->gateway.json, "Tell each event as a JSON line");
    command->callback([command, options, &status] {
        if (!options->configFile.empty()) applyConfigFile(*command, options->configFile);
        status = serveGateway(*options);
    });
}

}  // namespace velko::tools
