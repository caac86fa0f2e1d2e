#pragma once

#include <cstdint>
#include <variant>

#include "control/cid_info.h"
#include "control/text.h"

namespace velko {

// A value crossing the automation boundary: an argument, a result or an event parameter.
struct Empty {
    bool operator==(const Empty&) const = default;
};
using Value = std::variant<Empty, bool, uint8_t, int16_t, Text, CID_INFO, CidList>;

// The automation types the interface uses.
enum class VarType { Empty, Bool, Byte, Int16, String, Variant, Record, RecordArray };

}  // namespace velko
