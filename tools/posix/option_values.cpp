#include "tools/posix/option_values.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <fstream>

namespace velko::tools {

std::optional<uint16_t> portNumber(std::string_view text) {
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc{} || end != text.data() + text.size() || number < 1 || number > 65535) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(number);
}

std::optional<std::pair<std::string, uint16_t>> hostAndPort(const std::string& text,
                                                            uint16_t defaultPort) {
    std::string host = text;
    std::string_view port;
    if (text.starts_with('[')) {
        const size_t close = text.find(']');
        if (close == std::string::npos) return std::nullopt;
        host = text.substr(1, close - 1);
        const std::string_view rest = std::string_view(text).substr(close + 1);
        if (!rest.empty() && !rest.starts_with(':')) return std::nullopt;
        if (!rest.empty()) port = rest.substr(1);
    } else if (const size_t colon = text.find(':');
               colon != std::string::npos && text.find(':', colon + 1) == std::string::npos) {
        host = text.substr(0, colon);
        port = std::string_view(text).substr(colon + 1);
    }
    const auto number = port.empty() ? std::optional<uint16_t>(defaultPort) : portNumber(port);
    if (host.empty() || !number) return std::nullopt;
    return std::pair{host, *number};
}

std::string firstLine(const std::string& option, const std::string& path) {
    std::ifstream file(path);
    std::string password;
    if (!file || !std::getline(file, password)) {
        throw CLI::ValidationError(option, "cannot read " + path);
    }
    if (!password.empty() && password.back() == '\r') password.pop_back();
    return password;
}

}  // namespace velko::tools
