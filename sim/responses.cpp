#include "sim/responses.h"

#include "sim/message_text.h"

namespace velko::sim {

namespace {

using Lines = std::vector<std::string>;

void appendRecord(Lines& body, const CallRecord& record) {
    const Lines lines = recordLines(record);
    body.insert(body.end(), lines.begin(), lines.end());
}

Lines recordList(std::string key, const auto& records) {
    Lines body{std::move(key)};
    for (const CallRecord& record : records) appendRecord(body, record);
    return body;
}

Lines groupRecords(const TerminalState& state, Clock::time_point now) {
    Lines body{"o"};
    for (const Group& group : state.groups) {
        appendRecord(body, {state.clock.at(now), group.dialNumber, group.name,
                            std::to_string(group.number), "S"});
    }
    return body;
}

Lines groupPairs(const TerminalState& state) {
    Lines body{"p"};
    for (const Group& group : state.groups) {
        body.push_back(std::to_string(group.number));
        body.push_back(group.name);
    }
    return body;
}

Lines callMemory(TerminalState& state) {
    Lines body = recordList("a", state.calls);
    state.unreadCalls = 0;
    return body;
}

}  // namespace

std::optional<Lines> responseBody(char key, TerminalState& state, Clock::time_point now) {
    const std::chrono::sys_seconds clock = state.clock.at(now);
    switch (key) {
        case 'd':
            return Lines{"d", monthDay(clock), hourMinute(clock)};
        case 'e':
            return Lines{"e", hourMinute(clock)};
        case 'f':
            return Lines{"f", std::to_string(state.melody)};
        case 'g':
            return Lines{"g", std::string(1, state.areaCode)};
        case 'h':
            return Lines{"h", "2.10"};
        case 'i':
            return Lines{"i", "VK100-0001"};
        case 'n':
            return Lines{"n", std::to_string(state.calls.size())};
        case 'q':
            return Lines{"q", std::to_string(state.rejected.size())};
        case 'r':
            return Lines{"r", "3"};
        case 's':
            return Lines{"s", "2"};
        case 't':
            return Lines{"t", state.offHook ? "1" : "0"};
        case 'u':
            return Lines{"u", std::to_string(state.unreadCalls)};
        case 'x':
            return Lines{"x", std::to_string(state.callMemory)};
        case 'a':
            return callMemory(state);
        case 'j':
            return recordList("j", state.rejected);
        case 'o':
            return groupRecords(state, now);
        case 'p':
            return groupPairs(state);
        default:
            return std::nullopt;
    }
}

}  // namespace velko::sim
