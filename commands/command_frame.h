#pragma once

#include <cstdint>

#include "control/text.h"

namespace velko {

// The opening of every command, written by itself before the acknowledgement wait.
inline constexpr TextView kCommandOpening = u"[";

// The body written after the acknowledgement: the command character and CR, each non-empty
// parameter followed by CR, and the closing "]". No line feed anywhere, nothing after "]".
//
// The command character is the character whose code is cmd, so codes 128 to 255 become
// U+0080 to U+00FF. The serial component converts the text to the line's Korean encoding, in
// which no byte from 0x80 up is a character of its own; what it sends for those characters is
// its business.
Text commandBody(uint8_t cmd, const Text& para1, const Text& para2, const Text& para3);

}  // namespace velko
