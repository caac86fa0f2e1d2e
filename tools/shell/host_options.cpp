#include "tools/shell/host_options.h"

#include "tools/shell/human_output.h"
#include "tools/shell/json_output.h"

namespace velko::shell {

std::unique_ptr<ShellOutput> makeOutput(const HostOptions& options, LineWriter& out) {
    if (options.json) return std::make_unique<JsonOutput>(out);
    return std::make_unique<HumanOutput>(out, options.showDiagnostics);
}

}  // namespace velko::shell
