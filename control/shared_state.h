#pragma once

#include <array>
#include <cstdint>

#include "control/rx_buffer.h"
#include "control/text.h"

namespace velko {

// A table of 17 texts, index 0 to 16. An index outside that range is a subscript-out-of-range
// run-time error.
class Table17 {
  public:
    static constexpr int kSlots = 17;
    Text& at(int index);
    const Text& at(int index) const;

  private:
    std::array<Text, kSlots> slots_;
};

// The areas the lookup tables know: slots 0 to 15 of the area-code, region-name and
// code-character tables.
inline constexpr int kAreaCount = 16;

// The state every control on one thread shares. The control objects themselves hold none.
struct SharedState {
    int16_t gPortNo = 0;
    bool gAckReceived = false;
    int32_t gTimerTicks = 0;
    RxBuffer gRxData;
    Text gErrorMsg;
    Table17 gAreaCode;
    // Region names, slot for slot beside gAreaCode: filled with the other tables and read by no
    // method; the shared state keeps the table whole.
    Table17 gAreaName;
    Table17 gCodeChar;
};

// This thread's copy.
SharedState& velko_var();

// Fills the area-code, region-name and code-character tables (slots 0 to kAreaCount - 1).
void fillLookupTables(SharedState& state);

}  // namespace velko
