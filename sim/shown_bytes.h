#pragma once

#include <string>
#include <string_view>

namespace velko::sim {

// Bytes of the line made readable, as UTF-8: CP949 characters decoded; CR, LF, TAB and the
// backslash written \r, \n, \t and \\; any other control byte, and any byte that is no whole
// CP949 character, written \xNN. The same escapes a scenario's raw line understands.
std::string shownBytes(std::string_view bytes);

}  // namespace velko::sim
