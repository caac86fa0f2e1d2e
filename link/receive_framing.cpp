#include "link/receive_framing.h"

namespace velko {

void receiveNotification(SharedState&, SerialPort&, _velko_foxpro&, VelkoEvents&) {}

}  // namespace velko
