#pragma once

#include "sim/command_reader.h"
#include "sim/terminal_state.h"

namespace velko::sim {

// The four commands that change a setting:
//   D  date MMDD, time hhmm   sets the clock's date and time
//   E  time hhmm              sets the clock's time
//   F  melody 1..6            sets the alarm melody (a bare digit)
//   G  area code character    "0".."9" or "a".."f"
// A value of the wrong form or out of range leaves the setting as it was. Returns whether `command`
// is one of these four (accepted or not).
bool applySetting(const Command& command, TerminalState& state, Clock::time_point now);

}  // namespace velko::sim
