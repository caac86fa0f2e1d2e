#pragma once

#include "platform/win32/runtime/win32_platform.h"

namespace velko::win32 {

// The share support of a control on Windows: WinHTTP connections, and the PC's desk mappings
// read when a port opens.
ShareSupport deskShares();

}  // namespace velko::win32
