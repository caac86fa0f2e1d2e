#pragma once

#include <chrono>
#include <string>

#include "gateway/loop_access.h"

namespace velko::gateway {

// Tells the service manager (systemd, Type=notify) that the gateway is ready and that it
// stops, and keeps its watchdog fed from the loop while the manager asks for that, so that a
// loop that hangs gets the service restarted. Does nothing when no manager listens.
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
