#include <iostream>
#include <memory>

#include "tools/win/com_failure.h"
#include "tools/win/com_host.h"
#include "tools/win/commands.h"
#include "tools/win/device_option.h"

namespace velko::tools::win {

void addShellCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<HostOptions>();
    CLI::App* command = app.add_subcommand(
        "shell", "Drive one control with calls read from standard input, printing every event");
    command->add_flag("--json", options->json, "One JSON object per line");
    addDeviceOption(*command, options->devices);
    command->callback([options, &status] {
        try {
            ComHost host(*options);
            StdinLines input(host.window());
            host.serve(input, true, [] { return false; });
            status = 0;
        } catch (const ComFailure& failure) {
            std::cerr << "velko: " << failure.what() << '\n';
            status = 1;
        }
    });
}

}  // namespace velko::tools::win
