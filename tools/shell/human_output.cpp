#include "tools/shell/human_output.h"

#include <algorithm>

#include "tools/shell/call_text.h"

namespace velko::shell {

namespace {

std::string describe(const Value& value) {
    struct Describe {
        std::string operator()(const Empty&) const { return "Empty"; }
        std::string operator()(bool b) const { return b ? "True" : "False"; }
        std::string operator()(uint8_t n) const { return std::to_string(n); }
        std::string operator()(int16_t n) const { return std::to_string(n); }
        std::string operator()(const Text& text) const { return quoted(text); }
        std::string operator()(const CID_INFO& cid) const { return describeCall(cid); }
        std::string operator()(const CidList&) const { return "[list]"; }
    };
    return std::visit(Describe{}, value);
}

std::string callText(std::string_view name, std::span<const Value> args) {
    std::string text = std::string(name) + "(";
    for (size_t i = 0; i < args.size(); ++i) text += (i ? ", " : "") + describe(args[i]);
    return text + ")";
}

// "d (100)" for a message code that is a printable character.
std::string messageCode(int16_t code) {
    const std::string number = std::to_string(code);
    if (code <= ' ' || code > '~') return number;
    return std::string(1, static_cast<char>(code)) + " (" + number + ")";
}

// One entry of a list: the kinds "o" and "p" carry no time, "p" only a group and its name.
std::string describeEntry(int16_t kind, const CID_INFO& entry) {
    if (kind == 'p') {
        return "group " + std::to_string(entry.lGroup) + "  " + escapedControls(entry.lName);
    }
    if (kind == 'o') {
        return shownNumber(entry.lNumber) + "  " + escapedControls(entry.lName) + "  group " +
               std::to_string(entry.lGroup);
    }
    return describeCall(entry);
}

std::string describeList(int16_t max, int16_t kind, const CidList& list) {
    std::string text =
        messageCode(kind) + ": " + std::to_string(max) + (max == 1 ? " entry" : " entries");
    const size_t shown = std::clamp<int>(max, 0, static_cast<int>(list.size()));
    for (size_t i = 0; i < shown; ++i) {
        text += "\n  " + std::to_string(i + 1) + ". " + describeEntry(kind, list[i]);
    }
    return text;
}

}  // namespace

void HumanOutput::print(const std::string& line) { out_.write(line); }

void HumanOutput::called(const MemberInfo& method, const Value& result,
                         std::span<const Value> args) {
    const std::string call = callText(method.name, args);
    print(method.result == VarType::Empty ? call : call + " -> " + describe(result));
}

void HumanOutput::failed(std::string_view name, const RuntimeError& error,
                         std::span<const Value> args) {
    print(callText(name, args) + " -> error " + std::to_string(error.number()) + ": " +
          toUtf8(error.description()));
}

void HumanOutput::badInput(std::string_view line, std::string_view description) {
    print("cannot read " + quoted(fromUtf8(line)) + ": " + std::string(description));
}

void HumanOutput::event(const MemberInfo& event, std::span<const Value> params) {
    const bool diagnostic = event.name == "DebugMsg" || event.name == "ReceiveReal";
    if (diagnostic && !showDiagnostics_) return;
    print("event " + std::string(event.name) + " " + describeEvent(event, params));
}

std::string HumanOutput::describeEvent(const MemberInfo& event, std::span<const Value> params) {
    if (event.name == "HookEvent") return std::get<bool>(params[0]) ? "off-hook" : "on-hook";
    if (event.name == "ReceiveCallByString") {
        const std::string state = "call " + describe(params[0]) + ": ";
        if (!reportedCall_) return state + describe(params[1]);
        const std::string call = describeCall(reportedCall_->call);
        reportedCall_.reset();
        return state + call;
    }
    if (event.name == "ReceiveResponse") {
        return messageCode(std::get<int16_t>(params[0])) + ": " + describe(params[1]) + " " +
               describe(params[2]) + " " + describe(params[3]);
    }
    if (event.name == "ReceiveGatheredInfo") {
        return describeList(std::get<int16_t>(params[0]), std::get<int16_t>(params[1]),
                            std::get<CidList>(params[2]));
    }
    std::string text;
    for (size_t i = 0; i < params.size(); ++i) text += (i ? " " : "") + describe(params[i]);
    return text;
}

}  // namespace velko::shell
