#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velko::sim {

// How many bytes the character at `at` takes: 2 for a CP949 lead byte and the byte after it when
// together they are a character, else 1.
std::size_t characterLength(std::string_view bytes, std::size_t at);

// Bytes of the line made readable, as UTF-8: CP949 characters decoded; CR, LF, TAB and the
// backslash written \r, \n, \t and \\; any other control byte, and any byte that is no whole
// CP949 character, written \xNN. The same escapes a scenario's raw line understands. With
// startsInsideCharacter the first byte is the second of a character that the write before began,
// and is written \xNN too.
std::string shownBytes(std::string_view bytes, bool startsInsideCharacter = false);

}  // namespace velko::sim
