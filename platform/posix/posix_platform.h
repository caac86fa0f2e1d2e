#pragma once

#include <memory>

#include "link/platform.h"
#include "platform/posix/poll_loop.h"
#include "platform/posix/port_map.h"

namespace velko::posix {

// The platform of one thread: its poll() loop, the port-number map, and the serial components
// and timers that deliver their notifications through that loop. Create it on the thread that
// runs the control, map the ports before opening them, and destroy every component it created
// before the platform itself.
class PosixPlatform final : public Platform {
  public:
    std::unique_ptr<SerialPort> createSerialPort() override;
    std::unique_ptr<Timer> createTimer() override;
    MessageLoop& messageLoop() override { return loop_; }

    PollLoop& loop() { return loop_; }
    PortMap& ports() { return ports_; }

  private:
    PollLoop loop_;
    PortMap ports_;
};

}  // namespace velko::posix
