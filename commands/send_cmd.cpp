#include "commands/send_cmd.h"

namespace velko {

bool sendCmd(SharedState&, SerialPort&, Timer&, MessageLoop&, VelkoEvents&, uint8_t&, Text&, Text&,
             Text&) {
    return false;
}

}  // namespace velko
