#pragma once

#include <memory>

#include "platform/win32/runtime/message_window.h"
#include "platform/win32/runtime/win32_message_loop.h"
#include "tools/shell/host_options.h"
#include "tools/shell/line_writer.h"
#include "tools/shell/port_notices.h"
#include "tools/shell/session.h"
#include "tools/win/com_control.h"
#include "tools/win/dispatch_backend.h"
#include "tools/win/event_sink.h"

namespace velko::tools::win {

// Joins the thread to a single-threaded apartment for the host's lifetime.
class Apartment {
  public:
    Apartment();
    ~Apartment();
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;
};

// One registered control on this thread, created and called through COM, with a sink that
// reports every event, and a shell session over it. The reports go to standard output, the
// notices about the device to standard error. Throws ComFailure when the control cannot be
// created or connected.
class ComHost {
  public:
    explicit ComHost(const shell::HostOptions& options);
    ~ComHost();
    ComHost(const ComHost&) = delete;
    ComHost& operator=(const ComHost&) = delete;

    win32::MessageWindow& window() { return window_; }
    MessageLoop& loop() { return loop_; }
    shell::ShellSession& session() { return session_; }
    shell::PortNotices& notices() { return notices_; }
    const shell::LineWriter& output() const { return lines_; }

  private:
    Apartment apartment_;
    win32::MessageWindow window_;
    win32::Win32MessageLoop loop_{window_};
    shell::LineWriter lines_;
    std::unique_ptr<shell::ShellOutput> output_;
    shell::PortNotices notices_;
    EventSink sink_;
    ComControl control_;
    DispatchBackend backend_;
    shell::ShellSession session_;
};

}  // namespace velko::tools::win
