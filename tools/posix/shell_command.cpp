#include <unistd.h>

#include <memory>

#include "tools/posix/commands.h"
#include "tools/posix/device_option.h"
#include "tools/posix/host.h"

namespace velko::tools {

void addShellCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<HostOptions>();
    CLI::App* command = app.add_subcommand(
        "shell", "Drive one control with calls read from standard input, printing every event");
    command->add_flag("--json", options->json, "One JSON object per line");
    addDeviceOption(*command, options->devices);
    command->callback([options, &status] {
        Host host(*options);
        DescriptorLines input(host.loop(), STDIN_FILENO);
        host.serve(input, true, [] { return false; });
        status = 0;
    });
}

}  // namespace velko::tools
