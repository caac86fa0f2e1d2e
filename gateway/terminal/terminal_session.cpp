#include "gateway/terminal/terminal_session.h"

#include <algorithm>

#include "control/runtime_error.h"

namespace velko::gateway {

namespace {

constexpr std::chrono::milliseconds kFirstRetry{500};
constexpr std::chrono::milliseconds kLongestRetry{10000};
// How often an open port is checked for a device that has gone.
constexpr std::chrono::milliseconds kCheckInterval{1000};

}  // namespace

TerminalSession::TerminalSession(_velko_foxpro& control, LoopAccess& loop, std::string port,
                                 Changed changed)
    : control_(control),
      loop_(loop),
      port_(fromUtf8(port)),
      changed_(std::move(changed)),
      backoff_(kFirstRetry) {}

TerminalSession::~TerminalSession() { stop(); }

void TerminalSession::start() { tryOpen(); }

void TerminalSession::stop() {
    if (alarm_ != 0) loop_.cancel(alarm_);
    alarm_ = 0;
    if (!open_) return;
    Text error;
    control_.CloseVelko(port_, error);
    open_ = false;
}

void TerminalSession::schedule(std::chrono::milliseconds delay, void (TerminalSession::*step)()) {
    alarm_ = loop_.after(delay, [this, step] {
        alarm_ = 0;
        (this->*step)();
    });
}

void TerminalSession::tryOpen() {
    Text error;
    if (control_.OpenVelko(port_, error) == 0) {
        open_ = true;
        backoff_ = kFirstRetry;
        lastFailure_.clear();
        changed_(true, "");
        schedule(kCheckInterval, &TerminalSession::check);
        return;
    }
    // Each reason is told once, not at every attempt.
    const std::string reason = toUtf8(error);
    if (reason != lastFailure_) changed_(false, reason);
    lastFailure_ = reason;
    schedule(backoff_, &TerminalSession::tryOpen);
    backoff_ = std::min(backoff_ * 2, kLongestRetry);
}

// The control tells a device that has gone by its port no longer counting as open, or by a
// write of nothing failing; neither sends anything to the terminal.
void TerminalSession::check() {
    if (!control_.ComPortStateGet()) return lost("the port closed");
    try {
        Text nothing;
        control_.TxData(nothing);
    } catch (const RuntimeError& error) {
        return lost(toUtf8(error.description()));
    }
    schedule(kCheckInterval, &TerminalSession::check);
}

void TerminalSession::lost(const std::string& reason) {
    Text error;
    control_.CloseVelko(port_, error);
    open_ = false;
    lastFailure_ = reason;
    changed_(false, reason);
    schedule(backoff_, &TerminalSession::tryOpen);
}

}  // namespace velko::gateway
