#include "platform/posix/port_map.h"

#include <charconv>
#include <limits>

namespace velko::posix {

void PortMap::map(int16_t port, std::string path) { paths_[port] = std::move(path); }

bool PortMap::mapFromText(std::string_view text) {
    const auto separator = text.find('=');
    if (separator == std::string_view::npos || separator + 1 == text.size()) return false;
    const auto number = text.substr(0, separator);
    int port = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), port);
    if (error != std::errc{} || end != number.data() + number.size()) return false;
    if (port < 1 || port > std::numeric_limits<int16_t>::max()) return false;
    map(static_cast<int16_t>(port), std::string(text.substr(separator + 1)));
    return true;
}

std::string PortMap::pathOf(int16_t port) const {
    if (port <= 0) return {};
    if (const auto found = paths_.find(port); found != paths_.end()) return found->second;
    return "/dev/ttyS" + std::to_string(port - 1);
}

}  // namespace velko::posix
