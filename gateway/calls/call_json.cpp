#include "gateway/calls/call_json.h"

namespace velko::gateway {

nlohmann::ordered_json callJson(const Call& call) {
    return {
        {"line", call.line},     {"time", call.time ? nlohmann::ordered_json(*call.time) : nullptr},
        {"month", call.month},   {"day", call.day},
        {"hour", call.hour},     {"minute", call.minute},
        {"number", call.number}, {"name", call.name},
        {"group", call.group},   {"type", call.type},
        {"state", call.state},   {"received", call.received},
        {"id", call.id},         {"source", callSourceName(call.source)}};
}

std::string jsonText(const nlohmann::ordered_json& json) {
    return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace velko::gateway
