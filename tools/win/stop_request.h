#pragma once

#include <windows.h>

#include "platform/win32/runtime/message_window.h"
#include "tools/shell/stop_requests.h"

namespace velko::tools::win {

// Ctrl-C, Ctrl-Break and the console's close, delivered through the message loop instead of
// ending the process (Wine turns SIGINT and SIGTERM into Ctrl-C): once one has arrived,
// requested() holds, and the status is that of an interrupt, 130. One at a time; the handler is
// removed on destruction.
class StopRequest final : public shell::StopRequests {
  public:
    explicit StopRequest(win32::MessageWindow& window);
    ~StopRequest() override;
    StopRequest(const StopRequest&) = delete;
    StopRequest& operator=(const StopRequest&) = delete;

    bool requested() const override;
    int exitStatus() const override { return 130; }

  private:
    static BOOL WINAPI onControl(DWORD type);

    win32::MessageWindow& window_;
    win32::MessageWindow::Id id_;
    bool requested_ = false;
};

}  // namespace velko::tools::win
