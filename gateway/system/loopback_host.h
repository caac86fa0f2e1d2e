#pragma once

#include <string>

namespace velko::gateway {

// Whether the host names this machine's loopback, judged from its text alone, without a name
// lookup: "localhost" and the names under it, 127.0.0.0/8, ::1 and ::ffff:127.0.0.0/104.
bool isLoopbackHost(const std::string& host);

}  // namespace velko::gateway
