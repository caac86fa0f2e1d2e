#include "tools/shell/monitor_run.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <utility>

#include "tools/shell/device_option.h"
#include "tools/shell/exit_status.h"
#include "tools/shell/serve.h"

namespace velko::shell {

namespace {

using namespace std::chrono_literals;

// The waits between attempts to open the port: half a second, doubling up to ten seconds.
class Backoff {
  public:
    std::chrono::milliseconds next() { return std::exchange(wait_, std::min(wait_ * 2, kLongest)); }
    void reset() { wait_ = kFirst; }

  private:
    static constexpr std::chrono::milliseconds kFirst = 500ms;
    static constexpr std::chrono::milliseconds kLongest = 10s;
    std::chrono::milliseconds wait_ = kFirst;
};

class Monitor {
  public:
    Monitor(const HostParts& host, const MonitorOptions& options)
        : host_(host), options_(options), name_(fromUtf8(options.port)) {
        host_.stop.setOnRequest([this] { close(); });
        host_.session.setInterrupted([this] { return ended(); });
    }
    ~Monitor() {
        host_.stop.setOnRequest(nullptr);
        host_.session.setInterrupted([] { return false; });
    }
    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;

    int run() {
        const int status = watch();
        close();
        if (!host_.output.failed()) return status;
        std::cerr << host_.output.failureText() << std::endl;
        return exit_status::kOutputFailed;
    }

  private:
    // Returns the status, with the port open or closed. A port that comes back by itself while
    // the monitor waits (one mapped to a gateway) is watched again as it is.
    int watch() {
        for (bool opened = open();;) {
            if (opened) {
                backoff_.reset();
                if (!options_.json)
                    std::cerr << "monitoring " << options_.port << "; Ctrl-C ends\n";
                const auto stop = [this] { return ended() || host_.notices.deviceGone(); };
                if (!serve(host_.loop, host_.session, host_.input, false, stop)) return 0;
                if (!host_.notices.takeDeviceGone()) return 0;
                open_ = false;
                if (!options_.reopen) return exit_status::kDeviceGone;
                std::cerr << "velko: waiting for " << options_.port << " to come back\n";
            } else if (!options_.reopen) {
                return exit_status::kPortNotOpened;
            }
            if (ended()) return 0;
            const auto nextAttempt = MessageLoop::Clock::now() + backoff_.next();
            const auto stop = [this] { return ended() || host_.notices.deviceBack(); };
            if (!serve(host_.loop, host_.session, host_.input, false, stop, nextAttempt)) return 0;
            if (ended()) return 0;
            opened = host_.notices.takeDeviceBack() ? (open_ = true) : open();
        }
    }

    bool ended() const { return host_.stop.requested() || host_.output.failed(); }

    bool open() {
        host_.notices.takeDeviceBack();
        const auto opened = host_.session.call(*findMethod("OpenVelko"), {name_, Text()});
        open_ = opened && *opened == Value{int16_t{0}};
        return open_;
    }

    void close() {
        if (std::exchange(open_, false)) {
            host_.session.call(*findMethod("CloseVelko"), {name_, Text()});
        }
    }

    const HostParts& host_;
    const MonitorOptions& options_;
    const Text name_;
    bool open_ = false;
    Backoff backoff_;
};

}  // namespace

std::string monitorPortName(const std::string& port, const std::vector<std::string>& devices) {
    if (!port.empty()) return port;
    if (devices.size() == 1) {
        if (const auto device = parseDevice(devices.front())) {
            return "COM" + std::to_string(device->port);
        }
    }
    return "COM1";
}

int runMonitor(const HostParts& host, const MonitorOptions& options) {
    return Monitor(host, options).run();
}

}  // namespace velko::shell
