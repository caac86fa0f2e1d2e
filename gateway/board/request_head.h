#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace velko::gateway {

// The framing of an HTTP request's head, as the HTTP library reads it: the request line and
// header lines, each ended by LF, then a line that is CR LF alone. Nothing here reads what the
// lines say; the library parses the head once it is whole.

// The length of the head at the start of received, up to and including the CR LF that ends
// it; nothing while it is incomplete.
std::optional<size_t> headLength(std::string_view received);

// The status that refuses a head that has grown too long without ending: 414 while the request
// line has not ended, else 431.
int overlongHeadStatus(std::string_view received);

}  // namespace velko::gateway
