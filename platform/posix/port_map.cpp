#include "platform/posix/port_map.h"

namespace velko::posix {

void PortMap::map(int16_t port, std::string path) { paths_[port] = std::move(path); }

std::string PortMap::pathOf(int16_t port) const {
    if (port <= 0) return {};
    if (const auto found = paths_.find(port); found != paths_.end()) return found->second;
    return "/dev/ttyS" + std::to_string(port - 1);
}

}  // namespace velko::posix
