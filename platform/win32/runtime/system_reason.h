#pragma once

#include <windows.h>

#include "control/text.h"

namespace velko::win32 {

// The system's text for an error code, without its line end ("The system cannot find the file
// specified."); the code in decimal when the system has none.
Text systemReason(DWORD error);

}  // namespace velko::win32
