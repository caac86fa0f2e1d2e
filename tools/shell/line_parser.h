#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "control/text.h"

namespace velko::shell {

// One line of shell input.
//
//   NAME ARG...        a call by method name
//   #DISPID ARG...     a call by dispatch id, decimal or 0x hexadecimal
//   :wait MS           run the message loop for MS milliseconds, at most kLongestWait
//   :quit              end the session
//
// Arguments are separated by blanks (spaces or tabs). A double-quoted argument may hold blanks
// and the escapes \r \n \t \" \\ \xHH (the character U+00HH) and \uHHHH (one UTF-16 code unit);
// outside quotes every character stands for itself.
// The longest :wait, the largest count of milliseconds 32 bits hold.
inline constexpr std::chrono::milliseconds kLongestWait{2147483647};

struct BlankLine {};
struct QuitLine {};
struct WaitLine {
    std::chrono::milliseconds duration;
};
struct CallLine {
    std::string target;             // the first word as typed: a name or #DISPID
    std::optional<int32_t> dispid;  // set for #DISPID
    std::vector<Text> args;
};
using ParsedLine = std::variant<BlankLine, QuitLine, WaitLine, CallLine>;

class SyntaxError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Parses one line of UTF-8 text without its line end. Throws SyntaxError.
ParsedLine parseLine(std::string_view line);

}  // namespace velko::shell
