#include "tools/shell/monitor_run.h"
#include "tools/shell/subcommands.h"
#include "tools/win/com_failure.h"
#include "tools/win/com_host.h"
#include "tools/win/commands.h"
#include "tools/win/stdin_lines.h"
#include "tools/win/stop_request.h"

namespace velko::tools::win {

namespace {

int monitor(const shell::HostOptions& options, const shell::MonitorOptions& monitorOptions) {
    return reportingComFailure([&] {
        ComHost host(options);
        StopRequest stop(host.window());
        StdinLines input(host.window());
        return shell::runMonitor(
            {host.loop(), host.session(), input.lines(), stop, host.notices(), host.output()},
            monitorOptions);
    });
}

}  // namespace

void addMonitorCommand(CLI::App& app, int& status) {
    shell::addMonitorCommand(app, status, {false, kDeskMapsShares}, monitor);
}

}  // namespace velko::tools::win
