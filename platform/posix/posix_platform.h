#pragma once

#include <memory>

#include "link/platform.h"
#include "platform/posix/poll_loop.h"
#include "platform/posix/port_map.h"
#include "platform/posix/posix_share_transport.h"

namespace velko::posix {

// The platform of one thread: its poll() loop, the port-number map, and the serial components
// and timers that deliver their notifications through that loop. A serial component opens the
// device or the gateway's share its port number is mapped to when it opens. Create the platform
// on the thread that runs the control, map the ports before opening them, and destroy every
// component it created before the platform itself.
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
    PosixShareTransport shareTransport_{loop_};
};

}  // namespace velko::posix
