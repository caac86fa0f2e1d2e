#pragma once

#include "control/runtime_error.h"

namespace velko::win32 {

// The system has no resource left for the operation (a timer, an event): run-time error 7.
[[noreturn]] inline void raiseOutOfMemory() { raise(7, u"Out of memory"); }

}  // namespace velko::win32
