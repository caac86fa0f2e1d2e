#pragma once

#include <CLI/CLI.hpp>

namespace velko::tools::win {

// The subcommands of velko.exe, those of velko on Linux. Each sets status to the process's
// exit status when it has run.
void addShellCommand(CLI::App& app, int& status);
void addMonitorCommand(CLI::App& app, int& status);

}  // namespace velko::tools::win
