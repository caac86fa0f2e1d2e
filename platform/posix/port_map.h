#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace velko::posix {

// Which device file stands for which port number. Port N is /dev/ttyS(N-1) unless it has been
// mapped to another path, such as a pseudo-terminal or a USB adapter.
class PortMap {
  public:
    void map(int16_t port, std::string path);
    // The device path of a port; empty for a number of 0 or below.
    std::string pathOf(int16_t port) const;

  private:
    std::map<int16_t, std::string> paths_;
};

}  // namespace velko::posix
