#pragma once

#include <cstddef>
#include <optional>

#include "control/text.h"

namespace velko {

inline constexpr TextView kResponseHeader = u"Response\r\n";
inline constexpr TextView kReportHeader = u"Report\r\n";

struct HeaderFound {
    size_t at;        // 0-based index in the searched text
    TextView header;  // kResponseHeader or kReportHeader
};

// The first header of either kind that starts at or after index `from`.
std::optional<HeaderFound> firstHeader(TextView text, size_t from = 0);

}  // namespace velko
