#include "gateway/board/request_head.h"

namespace velko::gateway {

std::optional<size_t> headLength(std::string_view received) {
    const size_t end = received.find("\n\r\n");
    if (end == std::string_view::npos) return std::nullopt;
    return end + 3;
}

int overlongHeadStatus(std::string_view received) {
    return received.find('\n') == std::string_view::npos ? 414 : 431;
}

}  // namespace velko::gateway
