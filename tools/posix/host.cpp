#include "tools/posix/host.h"

#include <iostream>

#include "tools/shell/human_output.h"
#include "tools/shell/json_output.h"

namespace velko::tools {

namespace {

std::unique_ptr<shell::ShellOutput> makeOutput(const HostOptions& options) {
    if (options.json) return std::make_unique<shell::JsonOutput>(std::cout);
    return std::make_unique<shell::HumanOutput>(std::cout, options.showDiagnostics);
}

posix::PosixPlatform& mapped(posix::PosixPlatform& platform,
                             const std::vector<std::string>& devices) {
    for (const std::string& device : devices) platform.ports().mapFromText(device);
    return platform;
}

}  // namespace

Host::Host(const HostOptions& options)
    : output_(makeOutput(options)),
      forwarder_(*output_),
      control_(mapped(platform_, options.devices)),
      backend_(control_, platform_.loop()),
      session_(backend_, *output_) {
    control_.events().advise(forwarder_);
}

Host::~Host() = default;

bool Host::serve(DescriptorLines& input, bool endAtEndOfInput, const std::function<bool()>& stop) {
    auto& loop = platform_.loop();
    for (;;) {
        loop.runPending();
        while (auto line = input.lines().next()) {
            if (!session_.execute(*line)) return false;
            if (stop()) return true;
        }
        if (stop()) return true;
        if (endAtEndOfInput && input.lines().exhausted()) {
            loop.runPending();
            return true;
        }
        loop.waitForActivity(posix::PollLoop::Clock::time_point::max());
    }
}

}  // namespace velko::tools
