#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

#include "tools/shell/host_options.h"
#include "tools/shell/monitor_run.h"

namespace velko::shell {

// The subcommands both builds of velko offer, with their options; the platform supplies the run,
// which returns the process's exit status, and status receives it.

// Whether the platform's --device maps ports to a gateway's share (Linux: --device N=URL with
// --share-password-file and --share-fingerprint), or maps them otherwise (Windows: velko.exe
// desk), which --device then names when given a URL.
struct ShareMapping {
    bool onCommandLine = false;
    std::string elsewhere;
};

// velko shell: calls read from standard input.
void addShellCommand(CLI::App& app, int& status, const ShareMapping& shares,
                     std::function<int(const HostOptions&)> run);

// velko monitor: every event of the port, whose name (monitorPortName) run receives with the
// monitor's other options.
void addMonitorCommand(CLI::App& app, int& status, const ShareMapping& shares,
                       std::function<int(const HostOptions&, const MonitorOptions&)> run);

// A bare velko: prints the usage on standard error and returns true; the status is then
// exit_status::kUsage.
bool usageWithoutCommand(const CLI::App& app);

}  // namespace velko::shell
