#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace velko::tools {

// Reads the options of a subcommand from a TOML or INI file, one "name = value" per option
// (lists in brackets), for each option not given on the command line: the command line wins.
// Keys may stand at the top or in a section named after the subcommand. Raises CLI11's errors
// for a file that cannot be read, an unknown key, or a value the option refuses.
void applyConfigFile(CLI::App& command, const std::string& path);

}  // namespace velko::tools
