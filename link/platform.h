#pragma once

#include <memory>

#include "link/message_loop.h"
#include "link/serial_port.h"
#include "link/timer.h"

namespace velko {

// What the operating system provides to a control on the current thread.
class Platform {
  public:
    virtual ~Platform() = default;
    virtual std::unique_ptr<SerialPort> createSerialPort() = 0;
    virtual std::unique_ptr<Timer> createTimer() = 0;
    virtual MessageLoop& messageLoop() = 0;
};

}  // namespace velko
