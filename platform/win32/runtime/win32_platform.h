#pragma once

#include <memory>

#include "link/platform.h"
#include "platform/win32/runtime/message_window.h"
#include "platform/win32/runtime/win32_message_loop.h"

namespace velko::win32 {

// The platform of one thread: its hidden message window, the message loop over the thread's
// queue, and the serial components and timers that deliver their notifications through that
// window. Create it on the thread that runs the control (one per thread), and destroy every
// component it created, and then the platform itself, on that thread.
class Win32Platform final : public Platform {
  public:
    Win32Platform() = default;
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    std::unique_ptr<SerialPort> createSerialPort() override;
    std::unique_ptr<Timer> createTimer() override;
    MessageLoop& messageLoop() override { return loop_; }

  private:
    MessageWindow window_;
    Win32MessageLoop loop_{window_};
};

}  // namespace velko::win32
