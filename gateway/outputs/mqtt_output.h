#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "gateway/outputs/mqtt_client.h"
#include "gateway/outputs/mqtt_messages.h"
#include "gateway/outputs/reconnecting_output.h"

namespace velko::gateway {

struct MqttSettings {
    std::string host;
    uint16_t port = 1883;
    std::string prefix = "velko";
    std::string line;
    std::string user;
    std::string password;
    std::string caFile;  // TLS with this CA when not empty
    bool discovery = false;
    std::string version;
    // The time of the call the retained last call holds, as far as the log knows.
    std::optional<std::string> lastCallTime;
};

// Delivers calls to an MQTT broker with QoS 1 (docs/mqtt.md), on a thread of its own that owns
// the MQTT client and hands its results to the loop. A call counts as delivered when the broker
// acknowledges its publication on the call topic. At most kWindow calls are published and not
// yet acknowledged at a time; the rest wait their turn. Each connection is a client of its own:
// when one is lost, the next publishes every call not yet acknowledged again, oldest first, then
// the calls that follow. The retained status says "online" on every connection and "offline" as
// the last will and before a clean stop.
class MqttOutput final : public ReconnectingOutput {
  public:
    static constexpr size_t kWindow = 100;

    MqttOutput(MqttSettings settings, LoopAccess& loop, OutputEvents& events);
    ~MqttOutput() override;
    MqttOutput(const MqttOutput&) = delete;
    MqttOutput& operator=(const MqttOutput&) = delete;

    std::string_view name() const override { return "mqtt"; }
    void deliver(const Call& call) override;
    void lineStatus(const LineStatus& status) override;

  private:
    struct Pending {
        int64_t callId;
        MqttMessage call;
        std::optional<MqttMessage> lastCall;  // none for a stored call older than the last
    };

    void serve() override;
    void connectionEnded() override;
    std::shared_ptr<MqttClient> connect();
    void opened();
    void takeInbox();
    void takeAcknowledgements();
    void publishPending();
    void publishStatus();
    void finish();
    int publish(const MqttMessage& message);

    MqttSettings settings_;
    MqttTopics topics_;

    // The time of the call the retained last call holds, as far as it is known; the loop's
    // thread's (deliver).
    std::optional<std::time_t> lastCallMoment_;

    // Handed over from the loop's thread, calls and status changes in the order they came.
    struct Handed {
        std::optional<Pending> call;
        LineStatus status;
    };
    std::mutex mutex_;
    std::deque<Handed> inbox_;

    // The client thread's own.
    std::shared_ptr<MqttClient> client_;
    // Every call not yet acknowledged, by the order it was handed over in.
    std::map<uint64_t, Pending> pending_;
    uint64_t handedOver_ = 0;
    // Where the calls not yet published on this connection begin in pending_.
    uint64_t nextToPublish_ = 0;
    // The calls published on this connection and not yet acknowledged: message id to order.
    std::unordered_map<int, uint64_t> inFlight_;
    LineStatus status_;
    std::optional<LineStatus> published_;
    std::optional<int> offlineId_;
};

}  // namespace velko::gateway
