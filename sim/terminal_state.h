#pragma once

#include <cstddef>
#include <deque>
#include <vector>

#include "sim/records.h"
#include "sim/terminal_clock.h"

namespace velko::sim {

// Everything the terminal remembers: its settings, its call memory, its rejected numbers and its
// six caller groups.
struct TerminalState {
    TerminalState(std::chrono::sys_seconds start, Clock::time_point now, std::size_t callMemory);

    TerminalClock clock;
    int melody = 1;                // alarm melody, 1 to 6
    char areaCode = '0';           // the area's code character, "0" to "9" and "a" to "f"
    bool offHook = false;          // the receiver is lifted
    std::size_t callMemory;        // how many calls the memory holds; the oldest goes first
    std::deque<CallRecord> calls;  // oldest first
    int unreadCalls = 0;           // calls since the call memory was last read out
    std::vector<CallRecord> rejected;
    std::vector<Group> groups;
};

}  // namespace velko::sim
