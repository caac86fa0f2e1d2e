#include "tools/shell/input_lines.h"

namespace velko::shell {

void InputLines::append(std::string_view bytes) {
    for (const char c : bytes) {
        if (c != '\n') {
            partial_ += c;
            continue;
        }
        if (partial_.ends_with('\r')) partial_.pop_back();
        lines_.push_back(std::move(partial_));
        partial_.clear();
    }
}

void InputLines::finish() {
    if (finished_) return;
    finished_ = true;
    if (!partial_.empty()) append("\n");
}

std::optional<std::string> InputLines::next() {
    if (lines_.empty()) return std::nullopt;
    std::string line = std::move(lines_.front());
    lines_.pop_front();
    return line;
}

}  // namespace velko::shell
