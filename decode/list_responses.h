#pragma once

#include "control/events.h"
#include "control/velko_interface.h"

namespace velko {

// Decodes the list response of key "a", "j", "o" or "p" from the records behind its key line
// into a fresh array of 61 entries and raises ReceiveGatheredInfo. Returns false, touching
// nothing, for any other key.
bool decodeList(char16_t key, _velko_foxpro& self, VelkoEvents& events);

}  // namespace velko
