#pragma once

#include <cerrno>
#include <system_error>

namespace velko::sim {

// Throws the error of a failed system call, with its name.
inline void check(bool ok, const char* what) {
    if (!ok) throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace velko::sim
