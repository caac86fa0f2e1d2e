#include "sim/scenario.h"

#include <charconv>
#include <chrono>
#include <vector>

#include "sim/cp949.h"

namespace velko::sim {

namespace {

using Words = std::vector<std::string>;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

Words splitWords(std::string_view line) {
    Words words;
    std::size_t i = 0;
    while (true) {
        while (i < line.size() && isBlank(line[i])) ++i;
        if (i == line.size()) return words;
        if (line[i] == '"') {
            const std::size_t close = line.find('"', i + 1);
            if (close == std::string_view::npos) throw ScenarioError("unclosed quote");
            words.emplace_back(line.substr(i + 1, close - i - 1));
            i = close + 1;
        } else {
            const std::size_t start = i;
            while (i < line.size() && !isBlank(line[i])) ++i;
            words.emplace_back(line.substr(start, i - start));
        }
    }
}

void expectCount(const Words& words, std::size_t least, std::size_t most) {
    const std::size_t given = words.size() - 1;
    if (given < least || given > most) {
        throw ScenarioError(words[0] + " takes " + std::to_string(least) +
                            (least == most ? "" : " to " + std::to_string(most)) + " values");
    }
}

std::string word(const Words& words, std::size_t index, std::string fallback = "") {
    return index < words.size() ? words[index] : fallback;
}

std::size_t count(const std::string& text) {
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        throw ScenarioError("not a count: " + text);
    }
    return value;
}

std::chrono::milliseconds millis(const std::string& text) {
    return std::chrono::milliseconds{static_cast<std::chrono::milliseconds::rep>(count(text))};
}

std::string cp949(std::string_view utf8) {
    if (auto bytes = toCp949(utf8)) return *bytes;
    throw ScenarioError("not CP949 text: " + std::string(utf8));
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    throw ScenarioError("bad \\x escape");
}

// The text in CP949, its escapes replaced by their bytes.
std::string rawBytes(std::string_view text) {
    std::string bytes;
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            plain += text[i];
            continue;
        }
        if (++i == text.size()) throw ScenarioError("lone \\ at the end");
        bytes += cp949(plain);
        plain.clear();
        switch (text[i]) {
            case 'r':
                bytes += '\r';
                break;
            case 'n':
                bytes += '\n';
                break;
            case 't':
                bytes += '\t';
                break;
            case '\\':
                bytes += '\\';
                break;
            case 'x':
                if (i + 2 >= text.size()) throw ScenarioError("bad \\x escape");
                bytes += static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
                i += 2;
                break;
            default:
                throw ScenarioError(std::string("unknown escape \\") + text[i]);
        }
    }
    return bytes + cp949(plain);
}

ScenarioAction callAction(char kind, const Words& words) {
    expectCount(words, 1, 4);
    return CallAction{kind, words[1], cp949(word(words, 2)), word(words, 3, "0"),
                      word(words, 4, "S")};
}

// "MMDDHHMM": a month, a day it can have, an hour and a minute.
std::array<int, 4> callTimeFields(const std::string& text) {
    const auto pair = [&](std::size_t at) { return (text[at] - '0') * 10 + (text[at + 1] - '0'); };
    if (text.size() != 8 || text.find_first_not_of("0123456789") != std::string::npos) {
        throw ScenarioError("not a time MMDDHHMM: " + text);
    }
    const std::array<int, 4> fields{pair(0), pair(2), pair(4), pair(6)};
    const std::chrono::month_day date{std::chrono::month(static_cast<unsigned>(fields[0])),
                                      std::chrono::day(static_cast<unsigned>(fields[1]))};
    if (!date.ok() || fields[2] > 23 || fields[3] > 59)
        throw ScenarioError("no such time: " + text);
    return fields;
}

ScenarioAction storeAction(const Words& words) {
    expectCount(words, 1, 5);
    std::optional<std::array<int, 4>> time;
    if (words.size() == 6) time = callTimeFields(words[5]);
    return StoreAction{
        {'D', words[1], cp949(word(words, 2)), word(words, 3, "0"), word(words, 4, "S")}, time};
}

ScenarioAction clockAction(const Words& words) {
    expectCount(words, 1, 1);
    const std::string& text = words[1];
    if (text.size() < 2 || (text[0] != '+' && text[0] != '-')) {
        throw ScenarioError("clock takes +MIN or -MIN");
    }
    const auto minutes = static_cast<std::chrono::minutes::rep>(count(text.substr(1)));
    return ClockAction{std::chrono::minutes{text[0] == '+' ? minutes : -minutes}};
}

ScenarioAction hookAction(const Words& words) {
    expectCount(words, 1, 1);
    if (words[1] != "off" && words[1] != "on") throw ScenarioError("hook takes off or on");
    return HookAction{words[1] == "off"};
}

ScenarioAction ackAction(const Words& words) {
    expectCount(words, 1, 2);
    if (words[1] == "delay" && words.size() == 3) return AckAction{millis(words[2])};
    if (words.size() == 2 && words[1] == "on") return AckAction{std::chrono::milliseconds{0}};
    if (words.size() == 2 && words[1] == "off") return AckAction{std::nullopt};
    throw ScenarioError("ack takes on, off or delay MS");
}

}  // namespace

ScenarioAction parseScenarioLine(std::string_view line) {
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') return std::monostate{};
    line.remove_prefix(first);
    if (line.starts_with("raw") && (line.size() == 3 || isBlank(line[3]))) {
        return RawAction{rawBytes(line.substr(std::min<std::size_t>(4, line.size())))};
    }
    const Words words = splitWords(line);
    const std::string& verb = words[0];
    if (verb == "call") return callAction('D', words);
    if (verb == "other") return callAction('E', words);
    if (verb == "hook") return hookAction(words);
    if (verb == "store") return storeAction(words);
    if (verb == "clock") return clockAction(words);
    if (verb == "reject") {
        expectCount(words, 1, 2);
        return RejectAction{words[1], cp949(word(words, 2))};
    }
    if (verb == "chunk") {
        expectCount(words, 1, 2);
        return ChunkAction{count(words[1]), millis(word(words, 2, "50"))};
    }
    if (verb == "ack") return ackAction(words);
    if (verb == "wait") {
        expectCount(words, 1, 1);
        return WaitAction{millis(words[1])};
    }
    if (verb != "noise" && verb != "pair" && verb != "quit") {
        throw ScenarioError("unknown action " + verb);
    }
    expectCount(words, 0, 0);
    if (verb == "noise") return NoiseAction{};
    if (verb == "pair") return PairAction{};
    return QuitAction{};
}

}  // namespace velko::sim
