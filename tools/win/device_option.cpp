#include "tools/win/device_option.h"

#include <charconv>
#include <string_view>

namespace velko::tools::win {

namespace {

bool isDeviceText(std::string_view text) {
    const auto separator = text.find('=');
    if (separator == std::string_view::npos || separator + 1 == text.size()) return false;
    int port = 0;
    const char* end = text.data() + separator;
    const auto [stop, error] = std::from_chars(text.data(), end, port);
    return error == std::errc{} && stop == end && port >= 1 && port <= 32767;
}

}  // namespace

void addDeviceOption(CLI::App& command, std::vector<std::string>& devices) {
    command.add_option("--device", devices, "Port N (COMN) is the device at PATH")
        ->type_name("N=PATH")
        ->check(CLI::Validator(
            [](std::string& text) {
                return isDeviceText(text) ? std::string()
                                          : "expected N=PATH with N from 1 to 32767";
            },
            "N=PATH"));
}

}  // namespace velko::tools::win
