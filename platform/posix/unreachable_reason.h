#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace velko::posix {

// Why no connection to host:port can be made, in the system's words with the address that
// refused it ("connection refused 127.0.0.1:8443", "gw.example: Name or service not known"),
// found by looking the host up and trying each address once more, each for at most the time
// given; empty when one of them connects now. Blocks: for a thread that may be left behind.
std::string unreachableReason(const std::string& host, uint16_t port,
                              std::chrono::milliseconds limit);

}  // namespace velko::posix
