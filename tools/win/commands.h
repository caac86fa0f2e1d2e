#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace velko::tools::win {

// What --device answers a URL: on Windows a port is mapped to a gateway's share once per PC.
inline const std::string kDeskMapsShares =
    "a port is mapped to a gateway with velko.exe desk COMN URL, once per PC";

// The subcommands of velko.exe, those of velko on Linux. Each sets status to the process's
// exit status when it has run.
void addShellCommand(CLI::App& app, int& status);
void addMonitorCommand(CLI::App& app, int& status);
// velko.exe desk: the PC's mappings of COM ports to gateways' shares.
void addDeskCommand(CLI::App& app, int& status);

}  // namespace velko::tools::win
