#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

namespace velko::tools {

// The repeatable option --device N=PATH: port N (COMN) is the device at PATH.
void addDeviceOption(CLI::App& command, std::vector<std::string>& devices);

}  // namespace velko::tools
