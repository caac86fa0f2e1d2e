#pragma once

#include "control/runtime_error.h"

namespace velko::win32 {

// The run-time error of an operation for which the system has no resource left (a timer, an
// event, a thread).
inline constexpr int32_t kOutOfMemory = 7;

[[noreturn]] inline void raiseOutOfMemory() { raise(kOutOfMemory, u"Out of memory"); }

}  // namespace velko::win32
