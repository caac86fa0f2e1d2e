#include <cctype>
#include <iostream>
#include <memory>
#include <stdexcept>

#include "gateway/gateway_service.h"
#include "gateway/log/call_log.h"
#include "gateway/log/call_log_path.h"
#include "gateway/outputs/mqtt_messages.h"
#include "gateway/posix/poll_loop_access.h"
#include "gateway/system/loopback_host.h"
#include "platform/posix/posix_platform.h"
#include "tools/posix/board_options.h"
#include "tools/posix/commands.h"
#include "tools/posix/config_file.h"
#include "tools/posix/option_values.h"
#include "tools/posix/stop_signals.h"
#include "tools/shell/device_option.h"
#include "tools/shell/monitor_run.h"
#include "velko_version.h"

namespace velko::tools {

namespace {

struct GatewayCommandOptions {
    std::string configFile;
    gateway::GatewayOptions gateway;
    std::vector<std::string> devices;
    int ringingSeconds = 30;
    int keepDays = 0;
    int backfillEvery = 60;
    bool noBackfill = false;
    std::string ncid;
    std::string mqtt;
    std::string mqttTopic = "velko";
    std::string mqttUser;
    std::string mqttPasswordFile;
    std::string mqttCaFile;
    bool mqttInsecure = false;
    bool mqttDiscovery = false;
    BoardOptions board;
};

std::string checkHostAndPort(const std::string& text) {
    return hostAndPort(text, 1) ? "" : "expected HOST or HOST:PORT";
}

// A password goes to the broker as it is unless TLS protects it; that is refused for a broker
// beyond this machine unless asked for.
void checkPasswordProtected(const GatewayCommandOptions& options, const std::string& host) {
    if (options.mqttPasswordFile.empty() || !options.mqttCaFile.empty() ||
        gateway::isLoopbackHost(host) || options.mqttInsecure) {
        return;
    }
    throw CLI::ValidationError(
        "--mqtt-password-file",
        "the password would cross the network unencrypted to " + host +
            ": connect with TLS (--mqtt-cafile), to a broker on this machine, or accept the risk "
            "with --mqtt-insecure");
}

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
    if (options.keepDays > 0) options.gateway.keepDays = std::chrono::days(options.keepDays);
    options.gateway.backfillEvery = std::chrono::minutes(options.backfillEvery);
    if (options.noBackfill) options.gateway.backfillEvery.reset();
    if (!options.ncid.empty()) {
        const auto [host, port] = *hostAndPort(options.ncid, 3333);
        options.gateway.ncid = gateway::NcidSettings{host, port, VELKO_VERSION_TEXT};
    }
    if (!options.mqtt.empty()) {
        const auto [host, port] =
            *hostAndPort(options.mqtt, options.mqttCaFile.empty() ? 1883 : 8883);
        gateway::MqttSettings mqtt;
        mqtt.host = host;
        mqtt.port = port;
        mqtt.prefix = options.mqttTopic;
        mqtt.line = options.gateway.line;
        mqtt.user = options.mqttUser;
        checkPasswordProtected(options, host);
        if (!options.mqttPasswordFile.empty())
            mqtt.password = firstLine("--mqtt-password-file", options.mqttPasswordFile);
        mqtt.caFile = options.mqttCaFile;
        mqtt.discovery = options.mqttDiscovery;
        mqtt.version = VELKO_VERSION_TEXT;
        options.gateway.mqtt = mqtt;
    }
    options.gateway.board = boardSettings(options.board);
    StopSignals stop(platform.loop());
    try {
        gateway::PollLoopAccess loop(platform.loop());
        return gateway::runGateway(
            platform, loop, options.gateway,
            {[&stop] { return stop.requested(); },
             [&stop](std::function<void()> action) { stop.setOnRequest(std::move(action)); }});
    } catch (const gateway::DatabaseError& error) {
        std::cerr << "velko gateway: the call log: " << error.what() << '\n';
    } catch (const std::runtime_error& error) {
        std::cerr << "velko gateway: " << error.what() << '\n';
    }
    return 1;
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
    shell::addDeviceOption(*command, options->devices,
                           "the gateway's terminal is a device: give its path");
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
        ->add_option("--keep-days", options->keepDays,
                     "Delete, at the start and daily, the calls older than N days that every "
                     "output acknowledged (default: keep every call)")
        ->check(CLI::Range(1, 36500));
    command
        ->add_option("--ringing-seconds", options->ringingSeconds,
                     "The line counts as ringing this long after a call report")
        ->default_str("30")
        ->check(CLI::PositiveNumber);
    command
        ->add_option("--backfill-every", options->backfillEvery,
                     "Read the calls the terminal stored back into the log at each connection "
                     "and every MINUTES")
        ->type_name("MINUTES")
        ->default_str("60")
        ->check(CLI::Range(1, 10080));
    command->add_flag(
        "--no-backfill", options->noBackfill,
        "Never read the terminal's memory: with no --set-clock, nothing at all is sent "
        "to the terminal");
    command->add_flag("--set-clock", options->gateway.setClock,
                      "Set the terminal's date and time at each connection and daily at 04:00");
    command->add_option("--ncid", options->ncid, "Deliver the calls to this NCID server")
        ->type_name("HOST[:PORT]")
        ->check(CLI::Validator(checkHostAndPort, ""));
    command->add_option("--mqtt", options->mqtt, "Deliver the calls to this MQTT broker")
        ->type_name("HOST[:PORT]")
        ->check(CLI::Validator(checkHostAndPort, ""));
    command->add_option("--mqtt-topic", options->mqttTopic, "The topics' first levels")
        ->type_name("PREFIX")
        ->default_str("velko")
        ->check(CLI::Validator(
            [](std::string& text) {
                return gateway::validTopicPrefix(text) ? "" : "no wildcards or empty levels";
            },
            ""));
    command->add_option("--mqtt-user", options->mqttUser, "The broker's user name");
    command
        ->add_option("--mqtt-password-file", options->mqttPasswordFile,
                     "The broker's password: the first line of FILE")
        ->check(CLI::ExistingFile);
    command
        ->add_option("--mqtt-cafile", options->mqttCaFile,
                     "Connect with TLS, trusting the certificate authorities in FILE")
        ->check(CLI::ExistingFile);
    command->add_flag("--mqtt-insecure", options->mqttInsecure,
                      "Send the password to a broker beyond this machine without TLS");
    command->add_flag("--mqtt-discovery", options->mqttDiscovery,
                      "Publish the line's configuration for home-automation systems");
    addBoardOptions(*command, options->board);
    command->add_flag("--json", options->gateway.json, "Tell each event as a JSON line");
    command->callback([command, options, &status] {
        if (!options->configFile.empty()) applyConfigFile(*command, options->configFile);
        status = serveGateway(*options);
    });
}

}  // namespace velko::tools
