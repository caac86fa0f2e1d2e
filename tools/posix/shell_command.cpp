#include <unistd.h>

#include "tools/posix/commands.h"
#include "tools/posix/descriptor_lines.h"
#include "tools/posix/host.h"
#include "tools/posix/stop_signals.h"
#include "tools/shell/shell_run.h"
#include "tools/shell/subcommands.h"

namespace velko::tools {

namespace {

int runShell(const shell::HostOptions& options) {
    Host host(options);
    StopSignals stop(host.loop());
    DescriptorLines input(host.loop(), STDIN_FILENO);
    return shell::runShell(
        {host.loop(), host.session(), input.lines(), stop, host.notices(), host.output()});
}

}  // namespace

void addShellCommand(CLI::App& app, int& status) {
    shell::addShellCommand(app, status, {true, {}}, runShell);
}

}  // namespace velko::tools
