#include "sim/settings.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace velko::sim {

namespace {

// The value of exactly four decimal digits, split into its two halves.
std::optional<std::pair<int, int>> fourDigits(std::string_view text) {
    if (text.size() != 4 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    return std::pair{(text[0] - '0') * 10 + (text[1] - '0'),
                     (text[2] - '0') * 10 + (text[3] - '0')};
}

std::string_view param(const Command& command, std::size_t index) {
    return index < command.params.size() ? std::string_view{command.params[index]} : "";
}

void setDateTime(const Command& command, TerminalState& state, Clock::time_point now) {
    const auto date = fourDigits(param(command, 0));
    const auto time = fourDigits(param(command, 1));
    if (date && time)
        state.clock.setDateTime(date->first, date->second, time->first, time->second, now);
}

void setTime(const Command& command, TerminalState& state, Clock::time_point now) {
    if (const auto time = fourDigits(param(command, 0))) {
        state.clock.setTime(time->first, time->second, now);
    }
}

void setMelody(const Command& command, TerminalState& state) {
    const std::string_view melody = param(command, 0);
    if (melody.size() == 1 && melody[0] >= '1' && melody[0] <= '6') state.melody = melody[0] - '0';
}

void setAreaCode(const Command& command, TerminalState& state) {
    const std::string_view code = param(command, 0);
    if (code.size() == 1 &&
        std::string_view{"0123456789abcdef"}.find(code[0]) != std::string_view::npos) {
        state.areaCode = code[0];
    }
}

}  // namespace

bool applySetting(const Command& command, TerminalState& state, Clock::time_point now) {
    switch (command.code) {
        case 'D':
            setDateTime(command, state, now);
            return true;
        case 'E':
            setTime(command, state, now);
            return true;
        case 'F':
            setMelody(command, state);
            return true;
        case 'G':
            setAreaCode(command, state);
            return true;
        default:
            return false;
    }
}

}  // namespace velko::sim
