#include "tools/shell/serve.h"
#include "tools/shell/subcommands.h"
#include "tools/win/com_failure.h"
#include "tools/win/com_host.h"
#include "tools/win/commands.h"
#include "tools/win/stdin_lines.h"

namespace velko::tools::win {

namespace {

int runShell(const shell::HostOptions& options) {
    return reportingComFailure([&options] {
        ComHost host(options);
        StdinLines input(host.window());
        shell::serve(host.loop(), host.session(), input.lines(), true, [] { return false; });
        return 0;
    });
}

}  // namespace

void addShellCommand(CLI::App& app, int& status) { shell::addShellCommand(app, status, runShell); }

}  // namespace velko::tools::win
