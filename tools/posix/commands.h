#pragma once

#include <CLI/CLI.hpp>

namespace velko::tools {

// The subcommands of velko. Each sets status to the process's exit status when it has run.
void addShellCommand(CLI::App& app, int& status);
void addMonitorCommand(CLI::App& app, int& status);
void addSimCommand(CLI::App& app, int& status);
void addGatewayCommand(CLI::App& app, int& status);
void addLogCommand(CLI::App& app, int& status);

}  // namespace velko::tools
