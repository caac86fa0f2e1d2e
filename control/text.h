#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velko {

// Text as an automation string holds it: UTF-16 code units. Every position and length the
// control works with counts these units.
using Text = std::u16string;
using TextView = std::u16string_view;

inline constexpr char16_t kCR = u'\r';
inline constexpr TextView kCRLF = u"\r\n";

// Plain decimal: no leading zeros, no leading blank, a minus sign when negative.
Text decimalText(long long value);

// A diagnostic text: a fixed label followed directly by a value.
Text labelled(TextView label, TextView value);

// UTF-8 at the edges (command line, JSON, test output). Unpaired surrogates become U+FFFD.
std::string toUtf8(TextView text);
// Invalid UTF-8 sequences become U+FFFD.
Text fromUtf8(std::string_view utf8);

}  // namespace velko
