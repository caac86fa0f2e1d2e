#include "gateway/log/call_log_path.h"

#include <cstdlib>
#include <string_view>

namespace velko::gateway {

std::string defaultCallLogPath() {
    if (const char* state = std::getenv("STATE_DIRECTORY"); state && *state) {
        const std::string_view directories = state;
        return std::string(directories.substr(0, directories.find(':'))) + "/calls.db";
    }
    const char* home = std::getenv("HOME");
    return std::string(home ? home : ".") + "/.local/state/velko/calls.db";
}

}  // namespace velko::gateway
