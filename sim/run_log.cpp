#include "sim/run_log.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "sim/shown_bytes.h"

namespace velko::sim {

namespace {

using Json = nlohmann::ordered_json;

// The seconds to the millisecond, so that the number prints short.
double seconds(Clock::time_point now, Clock::time_point start) {
    return std::round(std::chrono::duration<double>(now - start).count() * 1000) / 1000;
}

// One object a line. Text that is not UTF-8 (a scenario line can be anything) is written with
// U+FFFD in place of the bytes that are not.
void printJson(std::ostream& out, double seconds, std::string_view event, const Json& fields) {
    Json line{{"t", seconds}, {"event", event}};
    for (const auto& [name, value] : fields.items()) line[name] = value;
    out << line.dump(-1, ' ', false, Json::error_handler_t::replace) << std::endl;
}

std::string_view kindName(Heard::Kind kind) {
    switch (kind) {
        case Heard::Kind::Opening:
            return "opening";
        case Heard::Kind::Command:
            return "command";
        case Heard::Kind::Stray:
            return "stray";
    }
    return "";
}

std::string partText(const Outgoing& write) {
    if (write.parts == 1) return "";
    return " part " + std::to_string(write.part) + "/" + std::to_string(write.parts);
}

}  // namespace

RunLog::RunLog(std::ostream& out, bool json, Clock::time_point start)
    : out_(out), json_(json), start_(start) {}

void RunLog::ready(std::string_view path, Clock::time_point now) {
    if (json_) return printJson(out_, seconds(now, start_), "ready", {{"path", path}});
    human(now, "ready " + std::string(path));
}

void RunLog::received(const Heard& heard, Clock::time_point now) {
    const std::string text = shownBytes(heard.bytes);
    if (json_) {
        return printJson(out_, seconds(now, start_), "received",
                         {{"kind", kindName(heard.kind)}, {"text", text}});
    }
    switch (heard.kind) {
        case Heard::Kind::Opening:
            return human(now, "received [");
        case Heard::Kind::Command:
            return human(now, "received command " + text);
        case Heard::Kind::Stray:
            return human(now, "received stray bytes " + text);
    }
}

void RunLog::sent(const Outgoing& write, Clock::time_point now) {
    const std::string text = shownBytes(write.bytes, write.startsInsideCharacter);
    if (json_) {
        return printJson(
            out_, seconds(now, start_), "sent",
            {{"what", write.label}, {"part", write.part}, {"parts", write.parts}, {"text", text}});
    }
    human(now, "sent " + write.label + partText(write) + ": " + text);
}

void RunLog::scenario(std::string_view line, Clock::time_point now) {
    if (json_) return printJson(out_, seconds(now, start_), "scenario", {{"line", line}});
    human(now, "scenario: " + std::string(line));
}

void RunLog::clockSet(std::chrono::sys_seconds time, Clock::time_point now) {
    const auto day = std::chrono::floor<std::chrono::days>(time);
    const std::chrono::year_month_day date{day};
    const std::chrono::hh_mm_ss clock{time - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    if (json_) return printJson(out_, seconds(now, start_), "clock", {{"time", text}});
    human(now, std::string("clock set to ") + text);
}

void RunLog::error(std::string_view line, std::string_view message, Clock::time_point now) {
    if (json_) {
        return printJson(out_, seconds(now, start_), "error",
                         {{"line", line}, {"message", message}});
    }
    human(now, "scenario error: " + std::string(message) + " in \"" + std::string(line) + "\"");
}

void RunLog::human(Clock::time_point now, std::string_view text) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%8.3f ", seconds(now, start_));
    out_ << stamp << text << std::endl;
}

}  // namespace velko::sim
