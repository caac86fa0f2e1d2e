#pragma once

#include "control/events.h"
#include "control/shared_state.h"
#include "control/velko_interface.h"

namespace velko {

// Decodes the response of a single-value key from the fields behind its key line and raises its
// ReceiveResponse. Returns false, touching nothing, for a key that carries no single value.
bool decodeSingleValue(char16_t key, const SharedState& state, _velko_foxpro& self,
                       VelkoEvents& events);

}  // namespace velko
