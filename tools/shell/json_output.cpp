#include "tools/shell/json_output.h"

#include <nlohmann/json.hpp>

namespace velko::shell {

namespace {

using Json = nlohmann::ordered_json;

// E_INVALIDARG: the number a line that cannot be read carries.
constexpr int32_t kInvalidInput = -2147024809;

Json toJson(const CID_INFO& cid) {
    return Json{{"lMonth", cid.lMonth},
                {"lDay", cid.lDay},
                {"lHour", cid.lHour},
                {"lMin", cid.lMin},
                {"lNumber", toUtf8(cid.lNumber)},
                {"lName", toUtf8(cid.lName)},
                {"lGroup", cid.lGroup},
                {"lTelType", toUtf8(cid.lTelType)}};
}

Json toJson(const Value& value) {
    struct Convert {
        Json operator()(const Empty&) const { return nullptr; }
        Json operator()(bool b) const { return b; }
        Json operator()(uint8_t n) const { return n; }
        Json operator()(int16_t n) const { return n; }
        Json operator()(const Text& text) const { return toUtf8(text); }
        Json operator()(const CID_INFO& cid) const { return toJson(cid); }
        Json operator()(const CidList& list) const {
            Json array = Json::array();
            for (const CID_INFO& cid : list) array.push_back(toJson(cid));
            return array;
        }
    };
    return std::visit(Convert{}, value);
}

Json toJson(std::span<const Value> values) {
    Json array = Json::array();
    for (const Value& value : values) array.push_back(toJson(value));
    return array;
}

Json errorJson(int32_t number, std::string_view description) {
    return Json{{"number", number}, {"description", description}};
}

void print(LineWriter& out, const Json& line) {
    out.write(line.dump(-1, ' ', false, Json::error_handler_t::replace));
}

}  // namespace

void JsonOutput::called(const MemberInfo& method, const Value& result,
                        std::span<const Value> args) {
    print(out_, Json{{"call", method.name}, {"result", toJson(result)}, {"args", toJson(args)}});
}

void JsonOutput::failed(std::string_view name, const RuntimeError& error,
                        std::span<const Value> args) {
    print(out_, Json{{"call", name},
                     {"error", errorJson(error.number(), toUtf8(error.description()))},
                     {"args", toJson(args)}});
}

void JsonOutput::event(const MemberInfo& event, std::span<const Value> params) {
    Json line{{"event", event.name}};
    for (size_t i = 0; i < params.size() && i < event.params.size(); ++i) {
        line[std::string(event.params[i].name)] = toJson(params[i]);
    }
    print(out_, line);
}

void JsonOutput::badInput(std::string_view line, std::string_view description) {
    print(out_, Json{{"input", line}, {"error", errorJson(kInvalidInput, description)}});
}

}  // namespace velko::shell
