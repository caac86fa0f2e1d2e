#pragma once

#include <functional>
#include <memory>

#include "link/platform.h"
#include "platform/share/device_or_share.h"
#include "platform/share/share_transport.h"
#include "platform/win32/runtime/message_window.h"
#include "platform/win32/runtime/win32_message_loop.h"

namespace velko::win32 {

// How the platform's serial components reach gateways' shares: the connections, made on the
// platform's message window, and the mapping a port has when it opens. Without them a serial
// component opens the port's device only.
struct ShareSupport {
    std::function<std::unique_ptr<share::ShareTransport>(MessageWindow& window)> transport;
    share::ShareLookup lookup;
};

// The platform of one thread: its hidden message window, the message loop over the thread's
// queue, and the serial components and timers that deliver their notifications through that
// window; with share support, a serial component opens the device or the gateway's share its
// port is mapped to when it opens. Create it on the thread that runs the control (one per
// thread), and destroy every component it created, and then the platform itself, on that
// thread.
class Win32Platform final : public Platform {
  public:
    explicit Win32Platform(ShareSupport shares = {});
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    std::unique_ptr<SerialPort> createSerialPort() override;
    std::unique_ptr<Timer> createTimer() override;
    MessageLoop& messageLoop() override { return loop_; }

  private:
    MessageWindow window_;
    Win32MessageLoop loop_{window_};
    std::unique_ptr<share::ShareTransport> shareTransport_;
    share::ShareLookup shareLookup_;
};

}  // namespace velko::win32
