#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "gateway/loop_access.h"
#include "gateway/mqtt_messages.h"
#include "gateway/output.h"
#include "gateway/posix/retry_backoff.h"
#include "gateway/posix/wake_pipe.h"

struct mosquitto;

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
// acknowledges its publication on the call topic. Each connection is a client of its own: when
// one is lost, the next (1 s later, then at doubling intervals up to 30 s) publishes every call
// not yet acknowledged again, oldest first, then the calls that follow. The retained status
// says "online" on every connection and "offline" as the last will and before a clean stop.
class MqttOutput final : public Output {
  public:
    MqttOutput(MqttSettings settings, LoopAccess& loop, OutputEvents& events);
    ~MqttOutput() override;
    MqttOutput(const MqttOutput&) = delete;
    MqttOutput& operator=(const MqttOutput&) = delete;

    std::string_view name() const override { return "mqtt"; }
    void deliver(const Call& call) override;
    void lineStatus(const LineStatus& status) override;
    void stop() override;

    // The client's callbacks, on the client thread.
    void connected(int result);
    void published(int messageId);

  private:
    struct Pending {
        int64_t callId;
        MqttMessage call;
        std::optional<MqttMessage> lastCall;  // none for a stored call older than the last
        std::optional<int> messageId;         // while published and not acknowledged
    };

    void run();
    // Raises Lost with the reason when the library's call failed.
    void check(int result) const;
    void opened();
    void serve(mosquitto* client);
    void takeInbox();
    void publishPending();
    void publishStatus();
    void finish(mosquitto* client);
    int publish(const MqttMessage& message);
    void tell(bool up, const std::string& reason);

    MqttSettings settings_;
    MqttTopics topics_;
    LoopAccess& loop_;
    OutputEvents& events_;
    WakePipe wake_;

    // Whether the call goes to the last call too, on the loop's thread: a live call does, a call
    // from the terminal's memory only when it is newer than the one the last call holds.
    bool newestCall(const Call& call);
    std::optional<std::time_t> lastCallMoment_;

    // Handed over from the loop's thread, calls and status changes in the order they came.
    struct Handed {
        std::optional<Pending> call;
        LineStatus status;
    };
    std::mutex mutex_;
    std::deque<Handed> inbox_;
    std::atomic<bool> stopping_{false};

    // The client thread's own.
    mosquitto* client_ = nullptr;
    bool up_ = false;
    bool connectionOpened_ = false;
    std::optional<std::string> refusal_;
    // The library's last error report on this connection: what a TLS failure was.
    std::string libraryError_;
    std::deque<Pending> pending_;
    LineStatus status_;
    std::optional<LineStatus> published_;
    std::optional<int> offlineId_;
    std::string lastReason_;
    RetryBackoff retry_;
    std::thread thread_;
};

}  // namespace velko::gateway
