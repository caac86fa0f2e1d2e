#pragma once

#include <array>
#include <cstdint>

#include "control/text.h"

namespace velko {

// One caller-information entry as the terminal reports it.
struct CID_INFO {
    int16_t lMonth = 0;
    int16_t lDay = 0;
    int16_t lHour = 0;
    int16_t lMin = 0;
    Text lNumber;
    Text lName;
    int16_t lGroup = 0;
    Text lTelType;

    bool operator==(const CID_INFO&) const = default;
};

// Every list handed to the host holds 61 entries, indexes 0 to 60.
inline constexpr size_t kCidListSize = 61;
using CidList = std::array<CID_INFO, kCidListSize>;

}  // namespace velko
