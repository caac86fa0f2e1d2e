#include <fcntl.h>
#include <io.h>

#include <CLI/CLI.hpp>
#include <cstdio>

#include "tools/shell/exit_status.h"
#include "tools/shell/subcommands.h"
#include "tools/win/commands.h"
#include "velko_version.h"

// velko.exe: the command-line tool on Windows, driving the registered control through COM.
int main(int argc, char** argv) {
    // The output is UTF-8 bytes, one line per report, with no line-end translation.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    CLI::App app{"velko: the caller-ID terminal control on the command line"};
    app.set_version_flag("--version", "velko " VELKO_VERSION_TEXT);
    app.require_subcommand(0, 1);
    int status = 0;
    velko::tools::win::addShellCommand(app, status);
    velko::tools::win::addMonitorCommand(app, status);
    velko::tools::win::addDeskCommand(app, status);
    CLI11_PARSE(app, argc, argv);
    if (velko::shell::usageWithoutCommand(app)) return velko::shell::exit_status::kUsage;
    return status;
}
