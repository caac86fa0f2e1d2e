#include <unistd.h>

#include "tools/posix/commands.h"
#include "tools/posix/descriptor_lines.h"
#include "tools/posix/host.h"
#include "tools/posix/stop_signals.h"
#include "tools/shell/monitor_run.h"
#include "tools/shell/subcommands.h"

namespace velko::tools {

namespace {

int monitor(const shell::HostOptions& options, const shell::MonitorOptions& monitorOptions) {
    Host host(options);
    StopSignals stop(host.loop());
    DescriptorLines input(host.loop(), STDIN_FILENO);
    return shell::runMonitor(
        {host.loop(), host.session(), input.lines(), stop, host.notices(), host.output()},
        monitorOptions);
}

}  // namespace

void addMonitorCommand(CLI::App& app, int& status) {
    shell::addMonitorCommand(app, status, {true, {}}, monitor);
}

}  // namespace velko::tools
