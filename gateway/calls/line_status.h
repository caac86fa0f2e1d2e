#pragma once

#include <optional>
#include <string>

namespace velko::gateway {

// Calls between these two times may have been pushed out of the terminal's memory.
struct PossibleGap {
    std::string after;   // the newest logged call's time
    std::string before;  // the oldest stored call's time

    bool operator==(const PossibleGap&) const = default;
};

// The state of the line that the outputs publish and the board shows besides the calls.
struct LineStatus {
    bool terminalConnected = false;
    bool offHook = false;
    bool ringing = false;
    // Why the call log cannot be written; none while it can.
    std::optional<std::string> logFailure;
    // Calls may have been lost between these times, as the last read of the terminal's memory
    // found; none when it found no such gap.
    std::optional<PossibleGap> backfillGap;
};

}  // namespace velko::gateway
