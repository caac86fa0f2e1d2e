#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace velko::tools {

// A port number from 1 to 65535.
std::optional<uint16_t> portNumber(std::string_view text);

// "HOST" or "HOST:PORT"; an IPv6 address in brackets when a port follows ("[::1]:1883").
std::optional<std::pair<std::string, uint16_t>> hostAndPort(const std::string& text,
                                                            uint16_t defaultPort);

// The first line of the file, without its line end: a password kept out of the command line.
// Raises CLI::ValidationError naming the option when the file cannot be read.
std::string firstLine(const std::string& option, const std::string& path);

}  // namespace velko::tools
