#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velko::sim {

// The terminal's Korean encoding, code page 949, converted with iconv.

// UTF-8 text as the terminal would send it; none when the text is no UTF-8 or holds a character
// that code page 949 lacks.
std::optional<std::string> toCp949(std::string_view utf8);

// CP949 bytes as UTF-8 text; none when they are not whole CP949 characters.
std::optional<std::string> fromCp949(std::string_view cp949);

}  // namespace velko::sim
