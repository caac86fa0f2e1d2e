#pragma once

#include <string>
#include <string_view>

namespace velko::gateway {

// A number as people read it (docs/numbers.md, "Showing numbers"): the digits of a Korean number
// grouped with hyphens as Koreans write them ("02-1234-5678", "031-123-4567", "010-1234-5678",
// "0505-123-4567", "1588-1234"). Anything else comes back as it came: a short number ("114"), a
// number of another length or country, one with an extension, the terminal's words for a withheld
// number ("P", "O"), text that is not digits alone. Only hyphens are ever added.
std::string shownNumber(std::string_view number);

}  // namespace velko::gateway
