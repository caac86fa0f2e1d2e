#include "sim/line_buffer.h"

namespace velko::sim {

std::optional<std::string> LineBuffer::nextLine() {
    const std::size_t end = pending_.find('\n');
    if (end == std::string::npos) return std::nullopt;
    std::string line = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    if (line.ends_with('\r')) line.pop_back();
    return line;
}

}  // namespace velko::sim
