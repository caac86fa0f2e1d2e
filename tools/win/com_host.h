#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/runtime/message_window.h"
#include "platform/win32/runtime/win32_message_loop.h"
#include "tools/shell/session.h"
#include "tools/win/com_control.h"
#include "tools/win/dispatch_backend.h"
#include "tools/win/event_sink.h"
#include "tools/win/stdin_lines.h"

namespace velko::tools::win {

struct HostOptions {
    bool json = false;
    bool showDiagnostics = true;
    std::vector<std::string> devices;  // "N=PATH", already checked
};

// Joins the thread to a single-threaded apartment for the host's lifetime.
class Apartment {
  public:
    Apartment();
    ~Apartment();
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;
};

// One registered control on this thread, created and called through COM, with a sink that
// reports every event, and a shell session over it. Throws ComFailure when the control cannot
// be created or connected.
class ComHost {
  public:
    explicit ComHost(const HostOptions& options);
    ~ComHost();
    ComHost(const ComHost&) = delete;
    ComHost& operator=(const ComHost&) = delete;

    win32::MessageWindow& window() { return window_; }
    shell::ShellSession& session() { return session_; }

    // Executes the lines that arrive on input while the message loop runs, until a line asks
    // to quit (false), stop() holds (true), or, with endAtEndOfInput, the input has ended and
    // the notifications pending after its last line have run (true).
    bool serve(StdinLines& input, bool endAtEndOfInput, const std::function<bool()>& stop);

  private:
    Apartment apartment_;
    win32::MessageWindow window_;
    win32::Win32MessageLoop loop_{window_};
    std::unique_ptr<shell::ShellOutput> output_;
    EventSink sink_;
    ComControl control_;
    DispatchBackend backend_;
    shell::ShellSession session_;
};

}  // namespace velko::tools::win
