#pragma once

#include "control/events.h"
#include "control/shared_state.h"
#include "control/velko_interface.h"
#include "link/serial_port.h"

namespace velko {

// The port's OnComm notification: reads what is waiting, echoes it, notes an acknowledgement
// and hands every complete message to its decoder through the control's own interface.
void receiveNotification(SharedState& state, SerialPort& port, _velko_foxpro& self,
                         VelkoEvents& events);

}  // namespace velko
