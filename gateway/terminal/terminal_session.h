#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "control/velko_interface.h"
#include "gateway/system/loop_access.h"

namespace velko::gateway {

// Keeps the terminal's port open through the control, as any host would: opens it, notices
// when its device has gone, and opens it again (the same port name) once it is back, trying
// after 0.5 s and then at doubling intervals up to 10 s. Writes nothing to the terminal.
class TerminalSession {
  public:
    using Changed = std::function<void(bool connected, const std::string& reason)>;

    TerminalSession(_velko_foxpro& control, LoopAccess& loop, std::string port, Changed changed);
    ~TerminalSession();
    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;

    // Opens the port now, or starts trying.
    void start();
    // Closes the port and stops trying.
    void stop();

  private:
    void tryOpen();
    void check();
    void lost(const std::string& reason);
    void schedule(std::chrono::milliseconds delay, void (TerminalSession::*step)());

    _velko_foxpro& control_;
    LoopAccess& loop_;
    Text port_;
    Changed changed_;
    std::chrono::milliseconds backoff_;
    std::string lastFailure_;
    int alarm_ = 0;
    bool open_ = false;
};

}  // namespace velko::gateway
