#include "gateway/board/board_host.h"

#include <algorithm>
#include <optional>

#include "gateway/system/loopback_host.h"

namespace velko::gateway {

namespace {

// The host part of "name", "name:port", "1.2.3.4:port", "[::1]" or "[::1]:port"; nothing when
// the port is not a number.
std::optional<std::string> hostPart(const std::string& host) {
    std::string name = host;
    std::string port;
    if (host.starts_with('[')) {
        const size_t close = host.find(']');
        if (close == std::string::npos) return std::nullopt;
        name = host.substr(1, close - 1);
        const std::string rest = host.substr(close + 1);
        if (!rest.empty()) {
            if (!rest.starts_with(':')) return std::nullopt;
            port = rest.substr(1);
        }
    } else if (const size_t colon = host.find(':'); colon != std::string::npos) {
        name = host.substr(0, colon);
        port = host.substr(colon + 1);
    }
    if (!std::ranges::all_of(port, [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    return name;
}

}  // namespace

bool isBoardHost(const std::string& host, const std::string& listenAddress) {
    const std::optional<std::string> name = hostPart(host);
    return name && !name->empty() && (isLoopbackHost(*name) || *name == listenAddress);
}

}  // namespace velko::gateway
