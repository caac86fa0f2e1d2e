#include "gateway/outputs/mqtt_messages.h"

#include <nlohmann/json.hpp>

#include "gateway/calls/call_json.h"

namespace velko::gateway {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kDiscoveryPrefix = "homeassistant";

}  // namespace

MqttTopics::MqttTopics(std::string prefix, std::string line)
    : base_(std::move(prefix) + "/" + line + "/"), line_(std::move(line)) {}

MqttMessage MqttTopics::call(const Call& call) const {
    return {base_ + "call", jsonText(callJson(call)), false};
}

MqttMessage MqttTopics::lastCall(const Call& call) const {
    return {base_ + "last_call", jsonText(callJson(call)), true};
}

MqttMessage MqttTopics::hook(bool offHook) const {
    return {base_ + "hook", jsonText({{"off_hook", offHook}}), true};
}

MqttMessage MqttTopics::ringing(bool ringing) const {
    return {base_ + "ringing", ringing ? "true" : "false", true};
}

MqttMessage MqttTopics::status(const LineStatus& status) const {
    Json payload{{"gateway", "online"},
                 {"terminal", status.terminalConnected ? "connected" : "disconnected"},
                 {"log", status.logFailure ? "failing" : "ok"}};
    if (status.logFailure) payload["log_reason"] = *status.logFailure;
    if (status.backfillGap) {
        payload["backfill_gap"] = {{"after", status.backfillGap->after},
                                   {"before", status.backfillGap->before}};
    }
    return {base_ + "status", jsonText(payload), true};
}

MqttMessage MqttTopics::offline() const {
    return {base_ + "status", jsonText({{"gateway", "offline"}}), true};
}

std::vector<MqttMessage> MqttTopics::discovery(const std::string& version) const {
    const std::string id = "velko_" + line_;
    const Json device{{"identifiers", {id}},
                      {"name", "velko " + line_},
                      {"manufacturer", "velko"},
                      {"model", "caller-ID gateway"},
                      {"sw_version", version}};
    const auto entity = [&](const std::string& name, const std::string& state) {
        return Json{{"name", line_ + " " + name},
                    {"unique_id", id + "_" + state},
                    {"state_topic", base_ + state},
                    {"availability_topic", base_ + "status"},
                    {"availability_template", "{{ value_json.gateway }}"},
                    {"payload_available", "online"},
                    {"payload_not_available", "offline"},
                    {"device", device}};
    };
    Json lastCaller = entity("last caller", "last_call");
    lastCaller["value_template"] =
        "{{ value_json.name if value_json.name else value_json.number }}";
    lastCaller["json_attributes_topic"] = base_ + "last_call";
    lastCaller["icon"] = "mdi:phone-incoming";
    Json ringing = entity("ringing", "ringing");
    ringing["payload_on"] = "true";
    ringing["payload_off"] = "false";
    ringing["icon"] = "mdi:phone-ring";
    Json hook = entity("off hook", "hook");
    hook["value_template"] = "{{ 'ON' if value_json.off_hook else 'OFF' }}";
    hook["icon"] = "mdi:phone-in-talk";
    const std::string config = std::string(kDiscoveryPrefix);
    return {{config + "/sensor/" + id + "/last_caller/config", jsonText(lastCaller), true},
            {config + "/binary_sensor/" + id + "/ringing/config", jsonText(ringing), true},
            {config + "/binary_sensor/" + id + "/off_hook/config", jsonText(hook), true}};
}

bool validTopicPrefix(const std::string& prefix) {
    if (prefix.empty() || prefix.front() == '/' || prefix.back() == '/') return false;
    if (prefix.find("//") != std::string::npos) return false;
    return prefix.find_first_of(std::string("+#\0", 3)) == std::string::npos;
}

}  // namespace velko::gateway
