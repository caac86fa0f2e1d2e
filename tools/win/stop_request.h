#pragma once

#include <windows.h>

#include "platform/win32/runtime/message_window.h"

namespace velko::tools::win {

// Ctrl-C, Ctrl-Break and the console's close, delivered through the message loop instead of
// ending the process (Wine turns SIGINT into Ctrl-C): once one has arrived, requested() holds.
// One at a time; the handler is removed on destruction.
class StopRequest {
  public:
    explicit StopRequest(win32::MessageWindow& window);
    ~StopRequest();
    StopRequest(const StopRequest&) = delete;
    StopRequest& operator=(const StopRequest&) = delete;

    bool requested() const;

  private:
    static BOOL WINAPI onControl(DWORD type);

    win32::MessageWindow& window_;
    win32::MessageWindow::Id id_;
    bool requested_ = false;
};

}  // namespace velko::tools::win
