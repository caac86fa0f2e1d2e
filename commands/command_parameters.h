#pragma once

#include <cstdint>

#include "control/events.h"
#include "control/shared_state.h"
#include "control/text.h"

namespace velko {

// Runs the parameter test of the four commands that have one and rewrites the parameters in
// place: 68 date and time (MM-DD to MMDD in para1, HH:MM to HHMM in para2), 69 time (para1),
// 70 alarm melody number 1 to 6 (para1, announced through DebugMsg first, sent unchanged) and 71
// area code (para1 becomes the area's code character). Every other code passes untouched. On
// failure the reason is in gErrorMsg, nothing is rewritten and the result is false.
bool prepareParameters(SharedState& state, VelkoEvents& events, uint8_t cmd, Text& para1,
                       Text& para2);

}  // namespace velko
