#include "tools/shell/shell_run.h"
#include "tools/shell/subcommands.h"
#include "tools/win/com_failure.h"
#include "tools/win/com_host.h"
#include "tools/win/commands.h"
#include "tools/win/stdin_lines.h"
#include "tools/win/stop_request.h"

namespace velko::tools::win {

namespace {

int runShell(const shell::HostOptions& options) {
    return reportingComFailure([&options] {
        ComHost host(options);
        StopRequest stop(host.window());
        StdinLines input(host.window());
        return shell::runShell(
            {host.loop(), host.session(), input.lines(), stop, host.notices(), host.output()});
    });
}

}  // namespace

void addShellCommand(CLI::App& app, int& status) {
    shell::addShellCommand(app, status, {false, kDeskMapsShares}, runShell);
}

}  // namespace velko::tools::win
