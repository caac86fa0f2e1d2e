#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

namespace velko::tools::win {

// The repeatable option --device N=PATH of velko: the wrapper that runs this program under Wine
// (tests/win/wine-velko) makes the device at PATH port N (COMN); here the option is checked
// and kept, for the monitor's default port name.
void addDeviceOption(CLI::App& command, std::vector<std::string>& devices);

}  // namespace velko::tools::win
