#include "gateway/system/service_notifier.h"

#include <systemd/sd-daemon.h>

namespace velko::gateway {

ServiceNotifier::ServiceNotifier(LoopAccess& loop) : loop_(loop) {
    uint64_t microseconds = 0;
    if (sd_watchdog_enabled(0, &microseconds) > 0) {
        watchdog_ = std::chrono::microseconds(microseconds);
    }
}

ServiceNotifier::~ServiceNotifier() {
    if (alarm_ != 0) loop_.cancel(alarm_);
}

void ServiceNotifier::ready() {
    sd_notify(0, "READY=1");
    if (watchdog_.count() > 0) feedWatchdog();
}

void ServiceNotifier::stopping() { sd_notify(0, "STOPPING=1"); }

void ServiceNotifier::status(const std::string& text) { sd_notify(0, ("STATUS=" + text).c_str()); }

// Twice per period, as the manager recommends.
void ServiceNotifier::feedWatchdog() {
    sd_notify(0, "WATCHDOG=1");
    alarm_ = loop_.after(std::chrono::duration_cast<std::chrono::milliseconds>(watchdog_ / 2),
                         [this] { feedWatchdog(); });
}

}  // namespace velko::gateway
