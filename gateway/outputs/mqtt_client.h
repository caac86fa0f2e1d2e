#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gateway/system/wakeup.h"

struct mosquitto;

namespace velko::gateway {

// One client of the MQTT library for one connection, and what its callbacks report, noted for
// the output's thread to take after each of the library's steps (nothing may be raised through
// the library). The callbacks reach only this object, so that a connect left behind by a stop
// (see connect) never touches the output.
class MqttClient {
  public:
    // Raises ConnectionError when the library has no memory for it.
    explicit MqttClient(const std::string& clientId);
    ~MqttClient();
    MqttClient(const MqttClient&) = delete;
    MqttClient& operator=(const MqttClient&) = delete;

    // Raises ConnectionError with the reason when the library's call failed.
    void check(int result) const;
    mosquitto* get() const { return client_; }

    // Starts connecting to host:port. Raises ConnectionError with the reason, or when a stop
    // requested through wake came first.
    static void connect(const std::shared_ptr<MqttClient>& client, const std::string& host,
                        uint16_t port, const Wakeup& wake);

    // What the callbacks noted since the last look.
    bool takeOpened();
    std::optional<std::string> takeRefusal();
    std::vector<int> takeAcknowledged();

  private:
    mosquitto* client_ = nullptr;
    bool opened_ = false;
    std::optional<std::string> refusal_;
    // The library's last error report: what a TLS failure was.
    std::string libraryError_;
    std::vector<int> acknowledged_;
};

}  // namespace velko::gateway
