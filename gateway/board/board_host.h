#pragma once

#include <string>

namespace velko::gateway {

// Whether a request's Host names the board as this machine knows it: a loopback name or address
// (isLoopbackHost) or the address the board listens on, each with any port or none. A page of
// another site whose name was rebound to a loopback address sends that name, and is refused.
bool isBoardHost(const std::string& host, const std::string& listenAddress);

}  // namespace velko::gateway
