#pragma once

#include <chrono>
#include <string>

#include "gateway/system/loop_access.h"

namespace velko::gateway {

// Tells the system's service manager how the gateway runs: that it is ready, that it stops, and
// its state in a few words; and keeps the manager's watchdog fed from the loop while the manager
// asks for that, so that a loop that hangs gets the service restarted. Does nothing when no
// manager listens, and raises nothing. Used on the loop's thread only. systemd (Type=notify)
// under gateway/posix/; the service control manager on Windows.
class ServiceNotifier {
  public:
    explicit ServiceNotifier(LoopAccess& loop);
    ~ServiceNotifier();
    ServiceNotifier(const ServiceNotifier&) = delete;
    ServiceNotifier& operator=(const ServiceNotifier&) = delete;

    void ready();
    void stopping();
    // The state in a few words, as the manager shows it (systemctl status).
    void status(const std::string& text);

  private:
    void feedWatchdog();

    LoopAccess& loop_;
    std::chrono::microseconds watchdog_{0};
    int alarm_ = 0;
};

}  // namespace velko::gateway
