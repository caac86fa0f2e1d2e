#pragma once

#include <cstdint>

#include "link/line_settings.h"

namespace velko::win32 {

// Whether the speed is one of the standard rates a Windows serial port runs.
bool speedSupported(uint32_t baud);

}  // namespace velko::win32
