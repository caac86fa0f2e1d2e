#include "platform/posix/posix_platform.h"

#include "platform/posix/poll_timer.h"
#include "platform/posix/posix_serial_port.h"

namespace velko::posix {

std::unique_ptr<SerialPort> PosixPlatform::createSerialPort() {
    return std::make_unique<PosixSerialPort>(loop_, ports_);
}

std::unique_ptr<Timer> PosixPlatform::createTimer() { return std::make_unique<PollTimer>(loop_); }

}  // namespace velko::posix
