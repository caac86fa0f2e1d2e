#include "support/recording_sink.h"

namespace velko::testing {

void PrintTo(const RecordedEvent& event, std::ostream* out) {
    *out << event.name << "(";
    for (size_t i = 0; i < event.params.size(); ++i) {
        *out << (i ? ", " : "") << '"' << toUtf8(event.params[i]) << '"';
    }
    *out << ")";
}

void RecordingSink::record(std::string name, std::vector<Text> params) {
    events.push_back(RecordedEvent{std::move(name), std::move(params)});
    if (onEvent) onEvent(events.back());
}

void RecordingSink::DebugMsg(const Text& str) { record("DebugMsg", {str}); }

void RecordingSink::ReceiveReal(const Text& str) { record("ReceiveReal", {str}); }

void RecordingSink::ReceiveCallByString(int16_t callState, Text& cidStrInfo) {
    record("ReceiveCallByString", {decimalText(callState), cidStrInfo});
}

void RecordingSink::ReceiveCall(int16_t callState, CID_INFO& cidInfo) {
    record("ReceiveCall",
           {decimalText(callState), decimalText(cidInfo.lMonth), decimalText(cidInfo.lDay),
            decimalText(cidInfo.lHour), decimalText(cidInfo.lMin), cidInfo.lNumber, cidInfo.lName,
            decimalText(cidInfo.lGroup), cidInfo.lTelType});
}

void RecordingSink::HookEvent(bool eventType) {
    record("HookEvent", {eventType ? u"True" : u"False"});
}

void RecordingSink::ReceiveResponse(int16_t msgType, const Text& rst1, const Text& rst2,
                                    const Text& rst3) {
    record("ReceiveResponse", {decimalText(msgType), rst1, rst2, rst3});
}

void RecordingSink::ReceiveGatheredInfo(int16_t& max, int16_t& kind, CidList& cidInfo) {
    lists.push_back(cidInfo);
    record("ReceiveGatheredInfo", {decimalText(max), decimalText(kind)});
}

std::vector<RecordedEvent> RecordingSink::named(std::string_view name) const {
    std::vector<RecordedEvent> found;
    for (const RecordedEvent& event : events) {
        if (event.name == name) found.push_back(event);
    }
    return found;
}

std::vector<Text> RecordingSink::params(std::string_view name, size_t index) const {
    std::vector<Text> found;
    for (const RecordedEvent& event : named(name)) {
        found.push_back(index < event.params.size() ? event.params[index] : Text());
    }
    return found;
}

void RecordingSink::clear() {
    events.clear();
    lists.clear();
    calls.clear();
}

}  // namespace velko::testing
