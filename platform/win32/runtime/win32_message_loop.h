#pragma once

#include "link/message_loop.h"
#include "platform/win32/runtime/message_window.h"

namespace velko::win32 {

// The message loop of the thread that owns the window: it runs the messages of every window of
// the thread (the control's notifications and ticks, the host's own messages), and blocks in
// MsgWaitForMultipleObjectsEx while nothing is queued.
class Win32MessageLoop final : public MessageLoop {
  public:
    explicit Win32MessageLoop(MessageWindow& window);
    ~Win32MessageLoop() override;
    Win32MessageLoop(const Win32MessageLoop&) = delete;
    Win32MessageLoop& operator=(const Win32MessageLoop&) = delete;

    // Runs the messages queued before the call, each once; a message posted while the pass
    // runs waits for the next pass. A pending WM_QUIT ends the pass and stays queued for the
    // host. A handler's failure ends the pass and is rethrown.
    void runPending() override;
    void waitForActivity(Clock::time_point deadline) override;

  private:
    void dispatch(const MSG& message);

    MessageWindow& window_;
    MessageWindow::Id endOfPass_;
    unsigned passesStarted_ = 0;
    unsigned passesEnded_ = 0;
};

}  // namespace velko::win32
