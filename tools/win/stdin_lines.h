#pragma once

#include <windows.h>

#include <memory>

#include "platform/win32/runtime/message_window.h"
#include "tools/shell/input_lines.h"

namespace velko::tools::win {

// Lines read from standard input without ever blocking the message loop: a thread of its own
// reads, and the loop's thread takes what it read through the message window, also while a
// call runs the loop from inside. The caller takes the lines when it is ready for them. The
// reading thread is never waited for: it ends with the process.
class StdinLines {
  public:
    explicit StdinLines(win32::MessageWindow& window);
    ~StdinLines();
    StdinLines(const StdinLines&) = delete;
    StdinLines& operator=(const StdinLines&) = delete;

    shell::InputLines& lines() { return lines_; }

  private:
    struct Shared;

    static DWORD WINAPI readerMain(LPVOID shared);
    void take();

    win32::MessageWindow& window_;
    win32::MessageWindow::Id id_;
    std::shared_ptr<Shared> shared_;
    shell::InputLines lines_;
};

}  // namespace velko::tools::win
