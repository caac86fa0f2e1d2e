#pragma once

#include <string>
#include <vector>

#include "sim/terminal_clock.h"
#include "sim/transmitter.h"

namespace velko::sim {

// The moment a test's terminal is switched on.
inline constexpr Clock::time_point t0{};

// 홍길동 in CP949, as it goes on the line.
inline const std::string kHongCp949 = "\xC8\xAB\xB1\xE6\xB5\xBF";

// The bytes of the writes, one after another.
inline std::string joined(const std::vector<Outgoing>& writes) {
    std::string bytes;
    for (const Outgoing& write : writes) bytes += write.bytes;
    return bytes;
}

}  // namespace velko::sim
