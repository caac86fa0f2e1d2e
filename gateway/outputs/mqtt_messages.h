#pragma once

#include <string>
#include <vector>

#include "gateway/calls/call.h"
#include "gateway/calls/line_status.h"

namespace velko::gateway {

// The topics and payloads the gateway publishes on an MQTT broker (docs/mqtt.md).

struct MqttMessage {
    std::string topic;
    std::string payload;
    bool retained = false;
};

class MqttTopics {
  public:
    // prefix/line/call, prefix/line/last_call, ...
    MqttTopics(std::string prefix, std::string line);

    // The call (not retained) and the same as the last call (retained).
    MqttMessage call(const Call& call) const;
    MqttMessage lastCall(const Call& call) const;
    MqttMessage hook(bool offHook) const;
    MqttMessage ringing(bool ringing) const;
    // The gateway online, the terminal's connection and the call log's state.
    MqttMessage status(const LineStatus& status) const;
    // The last will, and what a clean stop publishes.
    MqttMessage offline() const;
    // Retained configuration that home-automation systems read to show the line without hand
    // configuration: a sensor for the last caller, binary sensors for ringing and the hook.
    std::vector<MqttMessage> discovery(const std::string& version) const;

  private:
    std::string base_;
    std::string line_;
};

// A prefix a topic can start with: not empty, no wildcard (+ #), no empty level, no NUL.
bool validTopicPrefix(const std::string& prefix);

}  // namespace velko::gateway
