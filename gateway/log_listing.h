#pragma once

#include <ostream>
#include <vector>

#include "gateway/call_log.h"

namespace velko::gateway {

// The forms velko log prints the logged calls in (docs/call-log.md), in the order given.
enum class ListingFormat { Table, JsonLines, Csv };

void printCalls(std::ostream& out, const std::vector<LoggedCall>& calls, ListingFormat format);

}  // namespace velko::gateway
