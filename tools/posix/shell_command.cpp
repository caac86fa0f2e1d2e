#include <unistd.h>

#include "tools/posix/commands.h"
#include "tools/posix/descriptor_lines.h"
#include "tools/posix/host.h"
#include "tools/shell/serve.h"
#include "tools/shell/subcommands.h"

namespace velko::tools {

namespace {

int runShell(const shell::HostOptions& options) {
    Host host(options);
    DescriptorLines input(host.loop(), STDIN_FILENO);
    shell::serve(host.loop(), host.session(), input.lines(), true, [] { return false; });
    return 0;
}

}  // namespace

void addShellCommand(CLI::App& app, int& status) { shell::addShellCommand(app, status, runShell); }

}  // namespace velko::tools
