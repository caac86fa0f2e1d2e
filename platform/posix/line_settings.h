#pragma once

#include <termios.h>

#include <cstdint>

#include "link/line_settings.h"

namespace velko::posix {

// Whether termios can run the line at this speed.
bool speedSupported(uint32_t baud);

// Raw mode: no echo, no line editing, no translation; receiver on, modem lines ignored; reads
// return as soon as one byte is there. False when the speed is not one the line can run.
bool applyLineSettings(termios& attributes, const LineSettings& settings, Handshaking handshaking);

}  // namespace velko::posix
