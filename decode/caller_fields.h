#pragma once

#include "control/cid_info.h"
#include "control/velko_interface.h"

namespace velko {

// The fields that follow a caller's number, read through the control's interface: "Name:",
// "Group:" as a number and "Type:" as its number-type word.
void readCallerDetails(_velko_foxpro& self, CID_INFO& record);

}  // namespace velko
