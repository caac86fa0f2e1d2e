#include "tools/posix/config_file.h"

#include <vector>

namespace velko::tools {

// The subcommand's own --config is not read by CLI11 itself, which reads only the main
// program's; the file's items are applied here as CLI11 applies a configuration.
void applyConfigFile(CLI::App& command, const std::string& path) {
    const std::vector<std::string> section{command.get_name()};
    for (const CLI::ConfigItem& item : CLI::ConfigTOML().from_file(path)) {
        if (!item.parents.empty() && item.parents != section) continue;
        CLI::Option* option = command.get_option_no_throw("--" + item.name);
        if (option == nullptr || item.name == "config") {
            throw CLI::ConfigError::NotConfigurable(item.fullname());
        }
        if (option->count() > 0) continue;
        option->add_result(item.inputs);
        option->run_callback();
    }
}

}  // namespace velko::tools
