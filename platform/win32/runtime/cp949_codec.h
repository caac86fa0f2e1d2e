#pragma once

#include <string>
#include <string_view>

#include "control/text.h"

namespace velko::win32 {

// Turns the line's code page 949 bytes into text, read after read. A character whose two bytes
// are split between two reads is joined; a byte that starts no valid character becomes U+FFFD
// and decoding goes on with the next byte, so a broken character never swallows the line end
// that follows it.
class Cp949Decoder {
  public:
    Text decode(std::string_view bytes);
    // Forgets the first byte of a character still waiting for its second.
    void reset() { leadByte_.clear(); }

  private:
    std::string leadByte_;
};

// The code page 949 bytes of a text; a character the code page lacks becomes "?".
std::string encodeCp949(TextView text);

}  // namespace velko::win32
