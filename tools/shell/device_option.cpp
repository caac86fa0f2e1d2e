#include "tools/shell/device_option.h"

#include <charconv>
#include <limits>
#include <set>

namespace velko::shell {

std::optional<DeviceMapping> parseDevice(std::string_view text) {
    const auto separator = text.find('=');
    if (separator == std::string_view::npos || separator + 1 == text.size()) return std::nullopt;
    const char* end = text.data() + separator;
    int port = 0;
    const auto [stop, error] = std::from_chars(text.data(), end, port);
    if (error != std::errc{} || stop != end) return std::nullopt;
    if (port < 1 || port > std::numeric_limits<int16_t>::max()) return std::nullopt;
    return DeviceMapping{static_cast<int16_t>(port), std::string(text.substr(separator + 1))};
}

void addDeviceOption(CLI::App& command, std::vector<std::string>& devices) {
    command.add_option("--device", devices, "Port N (COMN) is the device at PATH")
        ->type_name("N=PATH")
        ->check(CLI::Validator(
            [](std::string& text) {
                return parseDevice(text) ? std::string() : "expected N=PATH with N from 1 to 32767";
            },
            ""));
}

void checkDistinctPorts(const std::vector<std::string>& devices) {
    std::set<int16_t> ports;
    for (const std::string& text : devices) {
        const auto device = parseDevice(text);
        if (device && !ports.insert(device->port).second) {
            throw CLI::ValidationError(
                "--device", "port " + std::to_string(device->port) + " is given more than once");
        }
    }
}

}  // namespace velko::shell
