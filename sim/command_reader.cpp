#include "sim/command_reader.h"

namespace velko::sim {

std::vector<Heard> CommandReader::feed(std::string_view bytes) {
    std::vector<Heard> heard;
    std::string stray;
    auto flushStray = [&] {
        if (!stray.empty()) heard.push_back({Heard::Kind::Stray, std::move(stray)});
        stray.clear();
    };
    for (const char byte : bytes) {
        if (byte == '[') {
            flushStray();
            frames_.emplace_back(1, byte);
            inFrame_ = true;
            heard.push_back({Heard::Kind::Opening, "["});
        } else if (inFrame_) {
            frames_.back() += byte;
            if (byte == ']') {
                inFrame_ = false;
                heard.push_back({Heard::Kind::Command, frames_.back()});
            }
        } else {
            stray += byte;
        }
    }
    flushStray();
    return heard;
}

std::optional<Command> parseFrame(std::string_view frame) {
    if (frame.size() < 3 || frame.front() != '[' || frame.back() != ']') return std::nullopt;
    std::string_view body = frame.substr(1, frame.size() - 2);
    Command command{body.front(), {}};
    body.remove_prefix(1);
    if (body.starts_with('\r')) body.remove_prefix(1);
    while (!body.empty()) {
        const std::size_t cr = body.find('\r');
        command.params.emplace_back(body.substr(0, cr));
        body.remove_prefix(cr == std::string_view::npos ? body.size() : cr + 1);
    }
    return command;
}

}  // namespace velko::sim
