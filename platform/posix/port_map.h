#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/share/share_settings.h"

namespace velko::posix {

// Which device file or gateway's share stands for which port number. Port N is /dev/ttyS(N-1)
// unless it has been mapped to another path, such as a pseudo-terminal or a USB adapter, or to a
// share. A port's last mapping holds.
class PortMap {
  public:
    void map(int16_t port, std::string path);
    void mapShare(int16_t port, share::ShareSettings share);
    // The device path of a port; empty for a number of 0 or below.
    std::string pathOf(int16_t port) const;
    // The share a port is mapped to, if it is.
    std::optional<share::ShareSettings> shareOf(int16_t port) const;

  private:
    std::map<int16_t, std::string> paths_;
    std::map<int16_t, share::ShareSettings> shares_;
};

}  // namespace velko::posix
