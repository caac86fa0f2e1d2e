#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velko::shell {

// Port N (COMN) is the device at path.
struct DeviceMapping {
    int16_t port;
    std::string path;
};

// Reads "N=PATH" with N from 1 to 32767 and a path that is not empty; nothing when malformed.
std::optional<DeviceMapping> parseDevice(std::string_view text);

// The repeatable option --device N=PATH, each text checked by parseDevice. On Linux the host
// maps the ports; under Wine the wrapper that runs velko.exe (tests/win/wine-velko) makes each
// device a COM port, and velko.exe keeps the texts only for the monitor's default port name.
void addDeviceOption(CLI::App& command, std::vector<std::string>& devices);

// Throws CLI::ValidationError when two of the texts map the same port.
void checkDistinctPorts(const std::vector<std::string>& devices);

}  // namespace velko::shell
