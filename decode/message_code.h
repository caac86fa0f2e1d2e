#pragma once

#include <cstdint>

namespace velko {

// A response reaches the host with the character code of its key: 100 for "d", 97 for "a".
constexpr int16_t messageCode(char16_t key) { return static_cast<int16_t>(key); }

}  // namespace velko
