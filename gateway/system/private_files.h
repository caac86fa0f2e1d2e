#pragma once

#include <string>

namespace velko::gateway {

// Creates the file when it is absent, and the folders it lies in when they are absent, readable
// by their owner and group only whatever the process's defaults (under POSIX 0640, folders 0750,
// whatever the umask): the call log holds people's numbers and names. Leaves what exists as it
// is. Raises std::system_error naming what it could not create.
void createPrivateFile(const std::string& path);

}  // namespace velko::gateway
