#pragma once

#include <sys/types.h>

#include <optional>

namespace velko::posix {

// The process that holds the whole-file lock (flock) on the file open at fd, as the system lists
// it in /proc/locks; nothing when no lock is listed or the list cannot be read.
std::optional<pid_t> lockHolder(int fd);

}  // namespace velko::posix
