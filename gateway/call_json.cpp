#include "gateway/call_json.h"

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

}  // namespace velko::gateway
