#include <CLI/CLI.hpp>

#include "tools/posix/commands.h"
#include "tools/shell/exit_status.h"
#include "tools/shell/subcommands.h"
#include "velko_version.h"

int main(int argc, char** argv) {
    CLI::App app{"velko: the caller-ID terminal control on the command line"};
    app.set_version_flag("--version", "velko " VELKO_VERSION_TEXT);
    app.require_subcommand(0, 1);
    int status = 0;
    velko::tools::addShellCommand(app, status);
    velko::tools::addMonitorCommand(app, status);
    velko::tools::addSimCommand(app, status);
    velko::tools::addGatewayCommand(app, status);
    velko::tools::addLogCommand(app, status);
    CLI11_PARSE(app, argc, argv);
    if (velko::shell::usageWithoutCommand(app)) return velko::shell::exit_status::kUsage;
    return status;
}
