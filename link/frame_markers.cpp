#include "link/frame_markers.h"

namespace velko {

std::optional<HeaderFound> firstHeader(TextView text, size_t from) {
    const size_t response = text.find(kResponseHeader, from);
    const size_t report = text.find(kReportHeader, from);
    if (response == TextView::npos && report == TextView::npos) return std::nullopt;
    if (response < report) return HeaderFound{response, kResponseHeader};
    return HeaderFound{report, kReportHeader};
}

}  // namespace velko
