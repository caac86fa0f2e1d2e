#pragma once

#include <string>

namespace velko::gateway {

// Where the call log lives unless --calls says otherwise: calls.db in the state directory the
// service manager gives ($STATE_DIRECTORY, its first entry), else in ~/.local/state/velko.
std::string defaultCallLogPath();

}  // namespace velko::gateway
