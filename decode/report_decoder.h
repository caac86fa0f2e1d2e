#pragma once

#include "control/events.h"
#include "control/shared_state.h"
#include "control/velko_interface.h"

namespace velko {

// The start of the diagnostic that shows the receive buffer as a report's decoding begins.
inline constexpr TextView kReportBufferLabel = u"ProcessReport(): gRxData:";

// Decodes the caller report at the front of the receive buffer, reading its fields through the
// control's own interface.
void processReport(SharedState& state, _velko_foxpro& self, VelkoEvents& events);

}  // namespace velko
