#pragma once

#include <nlohmann/json.hpp>

#include "gateway/call.h"

namespace velko::gateway {

// A call as JSON, the one form the MQTT payloads, velko log --json and the gateway's JSON lines
// share (docs/mqtt.md): line, time (null when the terminal's fields are no date), month, day,
// hour, minute, number, name, group, type, state, received, id and source.
nlohmann::ordered_json callJson(const Call& call);

}  // namespace velko::gateway
