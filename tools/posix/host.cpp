#include "tools/posix/host.h"

#include "tools/shell/device_option.h"

namespace velko::tools {

Host::Host(const shell::HostOptions& options)
    : output_(shell::makeOutput(options)),
      forwarder_(*output_),
      control_(platform_),
      backend_(control_, platform_.loop()),
      session_(backend_, *output_) {
    for (const std::string& text : options.devices) {
        if (const auto device = shell::parseDevice(text)) {
            platform_.ports().map(device->port, device->path);
        }
    }
    control_.events().advise(forwarder_);
}

Host::~Host() = default;

}  // namespace velko::tools
