#include "platform/posix/port_map.h"

namespace velko::posix {

void PortMap::map(int16_t port, std::string path) {
    shares_.erase(port);
    paths_[port] = std::move(path);
}

void PortMap::mapShare(int16_t port, share::ShareSettings share) {
    paths_.erase(port);
    shares_[port] = std::move(share);
}

std::optional<share::ShareSettings> PortMap::shareOf(int16_t port) const {
    if (const auto found = shares_.find(port); found != shares_.end()) return found->second;
    return std::nullopt;
}

std::string PortMap::pathOf(int16_t port) const {
    if (port <= 0) return {};
    if (const auto found = paths_.find(port); found != paths_.end()) return found->second;
    return "/dev/ttyS" + std::to_string(port - 1);
}

}  // namespace velko::posix
