#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "control/text.h"

namespace velko::win32 {

// Turns the line's code page 949 bytes into text, read after read. A character whose two bytes
// are split between two reads is joined; a byte that starts no valid character becomes U+FFFD,
// is counted, and decoding goes on with the next byte, so a broken character never swallows the
// line end that follows it.
class Cp949Decoder {
  public:
    Text decode(std::string_view bytes);
    // Forgets the first byte of a character still waiting for its second, and the count below.
    void reset() {
        leadByte_.clear();
        undecodable_ = 0;
    }
    // How many bytes became U+FFFD since the last call.
    size_t takeUndecodable() { return std::exchange(undecodable_, 0); }

  private:
    std::string leadByte_;
    size_t undecodable_ = 0;
};

// The code page 949 bytes of a text; a character the code page lacks becomes "?".
std::string encodeCp949(TextView text);

}  // namespace velko::win32
