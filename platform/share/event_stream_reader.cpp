#include "platform/share/event_stream_reader.h"

namespace velko::share {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

bool EventStreamReader::feed(std::string_view bytes, std::vector<StreamEvent>& events) {
    if (broken_) return false;
    for (const char c : bytes) {
        if (c == '\n' && afterCarriageReturn_) {
            afterCarriageReturn_ = false;
            continue;
        }
        afterCarriageReturn_ = c == '\r';
        if (c == '\r' || c == '\n') {
            endLine(events);
            continue;
        }
        if (line_.size() + data_.size() >= kLongestEvent) {
            broken_ = true;
            return false;
        }
        line_ += c;
    }
    return true;
}

void EventStreamReader::endLine(std::vector<StreamEvent>& events) {
    std::string_view line = line_;
    if (!started_) {
        started_ = true;
        if (line.starts_with(kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
    }
    if (line.empty()) {
        if (hasData_) events.push_back({name_.empty() ? "message" : name_, data_});
        name_.clear();
        data_.clear();
        hasData_ = false;
    } else if (!line.starts_with(':')) {
        const size_t colon = line.find(':');
        const std::string_view field = line.substr(0, colon);
        std::string_view value;
        if (colon != std::string_view::npos) {
            value = line.substr(colon + 1);
            if (value.starts_with(' ')) value.remove_prefix(1);
        }
        if (field == "event") {
            name_ = value;
        } else if (field == "data") {
            if (hasData_) data_ += '\n';
            data_ += value;
            hasData_ = true;
        }
    }
    line_.clear();
}

}  // namespace velko::share
