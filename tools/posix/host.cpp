#include "tools/posix/host.h"

#include <iostream>

#include "tools/shell/device_option.h"

namespace velko::tools {

Host::Host(const shell::HostOptions& options)
    : lines_(std::cout),
      output_(shell::makeOutput(options, lines_)),
      notices_(*output_, std::cerr),
      forwarder_(notices_),
      control_(platform_),
      backend_(control_, platform_.loop()),
      session_(backend_, notices_) {
    for (const std::string& text : options.devices) {
        if (const auto device = shell::parseDevice(text)) {
            platform_.ports().map(device->port, device->path);
        }
    }
    for (const auto& [port, share] : options.shares) platform_.ports().mapShare(port, share);
    control_.events().advise(forwarder_);
}

Host::~Host() = default;

}  // namespace velko::tools
