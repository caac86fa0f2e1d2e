#pragma once

#include "link/timer.h"
#include "platform/win32/runtime/message_window.h"

namespace velko::win32 {

// A window timer on the message window: a tick every 500 ms through the thread's message loop
// while enabled, and none while disabled, not even one the system had already queued.
class Win32Timer final : public Timer {
  public:
    explicit Win32Timer(MessageWindow& window);
    ~Win32Timer() override;
    Win32Timer(const Win32Timer&) = delete;
    Win32Timer& operator=(const Win32Timer&) = delete;

    void setEnabled(bool enabled) override;
    bool enabled() const override { return enabled_; }

  private:
    void tick();

    MessageWindow& window_;
    MessageWindow::Id id_;
    bool enabled_ = false;
};

}  // namespace velko::win32
