#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "gateway/calls/call.h"

namespace velko::gateway {

// A call as JSON, the one form the MQTT payloads, velko log --json and the gateway's JSON lines
// share (docs/mqtt.md): line, time (null when the terminal's fields are no date), month, day,
// hour, minute, number, name, group, type, state, received, id and source.
nlohmann::ordered_json callJson(const Call& call);

// JSON as compact text, invalid UTF-8 replaced by U+FFFD.
std::string jsonText(const nlohmann::ordered_json& json);

}  // namespace velko::gateway
