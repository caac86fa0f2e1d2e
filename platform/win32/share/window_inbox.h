#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>

#include "platform/win32/runtime/message_window.h"

namespace velko::win32 {

// Hands work from other threads to the thread of a message window: post() queues an action from
// any thread, and the window's thread runs the queued actions, in the order posted, from its
// message loop. Closing it, on the window's thread (also from one of its actions), ends that:
// the actions still queued, and those posted afterwards, are dropped. The threads keep it through
// shared pointers, so that one that outlives its owner still finds it, closed.
class WindowInbox : public std::enable_shared_from_this<WindowInbox> {
  public:
    using Action = std::function<void()>;

    static std::shared_ptr<WindowInbox> open(MessageWindow& window);
    WindowInbox(const WindowInbox&) = delete;
    WindowInbox& operator=(const WindowInbox&) = delete;

    // Any thread.
    void post(Action action);
    // The window's thread.
    void close();

  private:
    explicit WindowInbox(MessageWindow& window) : window_(window) {}
    void runQueued();

    MessageWindow& window_;
    MessageWindow::Id id_ = 0;
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::deque<Action> queued_;
    bool notified_ = false;
    bool closed_ = false;
};

}  // namespace velko::win32
