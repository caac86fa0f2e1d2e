#include "tools/shell/host_options.h"

#include <iostream>

#include "tools/shell/human_output.h"
#include "tools/shell/json_output.h"

namespace velko::shell {

std::unique_ptr<ShellOutput> makeOutput(const HostOptions& options) {
    if (options.json) return std::make_unique<JsonOutput>(std::cout);
    return std::make_unique<HumanOutput>(std::cout, options.showDiagnostics);
}

}  // namespace velko::shell
