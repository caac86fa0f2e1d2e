#pragma once

#include <iconv.h>

#include <string>
#include <string_view>

#include "control/text.h"

namespace velko::posix {

// Turns the line's code page 949 bytes into text, read after read. A character whose bytes are
// split between two reads is joined; a byte that starts no valid character becomes U+FFFD and
// decoding goes on with the next byte.
class Cp949Decoder {
  public:
    Cp949Decoder();
    ~Cp949Decoder();
    Cp949Decoder(const Cp949Decoder&) = delete;
    Cp949Decoder& operator=(const Cp949Decoder&) = delete;

    Text decode(std::string_view bytes);
    // Forgets the start of a character still waiting for its last byte.
    void reset() { incomplete_.clear(); }

  private:
    iconv_t converter_;
    std::string incomplete_;
};

// Turns text into the line's code page 949 bytes; a character the code page lacks becomes "?".
class Cp949Encoder {
  public:
    Cp949Encoder();
    ~Cp949Encoder();
    Cp949Encoder(const Cp949Encoder&) = delete;
    Cp949Encoder& operator=(const Cp949Encoder&) = delete;

    std::string encode(TextView text);

  private:
    iconv_t converter_;
};

}  // namespace velko::posix
