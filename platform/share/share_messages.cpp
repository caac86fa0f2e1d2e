#include "platform/share/share_messages.h"

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>

namespace velko::share {

namespace {

using Json = nlohmann::json;

// A desk id is a short token: it goes back to the gateway in every write.
constexpr size_t kLongestDeskId = 128;
// A reason is shown to people; a longer one is cut.
constexpr size_t kLongestReason = 512;

std::optional<Json> parseObject(std::string_view data) {
    Json json = Json::parse(data, nullptr, false);
    if (json.is_discarded() || !json.is_object()) return std::nullopt;
    return json;
}

bool validDeskId(const std::string& desk) {
    return !desk.empty() && desk.size() <= kLongestDeskId &&
           std::all_of(desk.begin(), desk.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
           });
}

std::optional<int64_t> nonNegative(const Json& value) {
    if (!value.is_number_integer()) return std::nullopt;
    const auto count = value.get<int64_t>();
    if (count < 0) return std::nullopt;
    return count;
}

std::string reasonMember(const Json& object) {
    const auto found = object.find("reason");
    if (found == object.end() || !found->is_string()) return {};
    std::string reason = found->get<std::string>();
    if (reason.size() > kLongestReason) reason.resize(kLongestReason);
    return reason;
}

}  // namespace

std::optional<Hello> readHello(std::string_view data) {
    const auto json = parseObject(data);
    if (!json) return std::nullopt;
    const auto desk = json->find("desk");
    const auto terminal = json->find("terminal");
    const auto calls = json->find("calls");
    if (desk == json->end() || !desk->is_string() || terminal == json->end() ||
        !terminal->is_boolean() || calls == json->end()) {
        return std::nullopt;
    }
    Hello hello{desk->get<std::string>(), terminal->get<bool>(), 0};
    const auto count = nonNegative(*calls);
    if (!validDeskId(hello.desk) || !count) return std::nullopt;
    hello.calls = *count;
    return hello;
}

std::optional<Text> readText(std::string_view data) {
    const auto json = parseObject(data);
    if (!json) return std::nullopt;
    const auto text = json->find("text");
    if (text == json->end() || !text->is_string()) return std::nullopt;
    return fromUtf8(text->get_ref<const std::string&>());
}

std::optional<TerminalChange> readTerminalChange(std::string_view data) {
    const auto json = parseObject(data);
    if (!json) return std::nullopt;
    const auto connected = json->find("connected");
    if (connected == json->end() || !connected->is_boolean()) return std::nullopt;
    TerminalChange change{connected->get<bool>(), reasonMember(*json), std::nullopt};
    if (const auto calls = json->find("calls"); calls != json->end()) {
        change.calls = nonNegative(*calls);
        if (!change.calls) return std::nullopt;
    }
    return change;
}

std::optional<int64_t> readCalls(std::string_view data) {
    const auto json = parseObject(data);
    if (!json) return std::nullopt;
    const auto calls = json->find("calls");
    if (calls == json->end()) return std::nullopt;
    return nonNegative(*calls);
}

std::string writeBody(std::string_view desk, TextView text, int32_t waitMilliseconds) {
    const Json body = {
        {"desk", std::string(desk)}, {"text", toUtf8(text)}, {"wait_ms", waitMilliseconds}};
    return body.dump();
}

std::optional<WriteOutcome> readWriteOutcome(std::string_view body) {
    const auto json = parseObject(body);
    if (!json) return std::nullopt;
    const auto written = json->find("written");
    if (written == json->end() || !written->is_boolean()) return std::nullopt;
    WriteOutcome outcome{written->get<bool>(), 0, reasonMember(*json)};
    if (const auto replaced = json->find("replaced"); replaced != json->end()) {
        const auto count = nonNegative(*replaced);
        if (!count) return std::nullopt;
        outcome.replaced = *count;
    }
    return outcome;
}

}  // namespace velko::share
