#include "sim/run_log.h"

#include <chrono>
#include <cstdio>

#include "sim/shown_bytes.h"

namespace velko::sim {

namespace {

// A JSON string; the text is UTF-8.
std::string quoted(std::string_view text) {
    std::string json = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            json += escape;
        } else {
            json += c;
        }
    }
    return json + "\"";
}

std::string field(std::string_view name, std::string_view quotedValue) {
    return "," + quoted(name) + ":" + std::string(quotedValue);
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
    if (json_) return json(now, "ready", field("path", quoted(path)));
    human(now, "ready " + std::string(path));
}

void RunLog::received(const Heard& heard, Clock::time_point now) {
    const std::string text = shownBytes(heard.bytes);
    if (json_) {
        return json(now, "received",
                    field("kind", quoted(kindName(heard.kind))) + field("text", quoted(text)));
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
    const std::string text = shownBytes(write.bytes);
    if (json_) {
        return json(now, "sent",
                    field("what", quoted(write.label)) + field("part", std::to_string(write.part)) +
                        field("parts", std::to_string(write.parts)) + field("text", quoted(text)));
    }
    human(now, "sent " + write.label + partText(write) + ": " + text);
}

void RunLog::scenario(std::string_view line, Clock::time_point now) {
    if (json_) return json(now, "scenario", field("line", quoted(line)));
    human(now, "scenario: " + std::string(line));
}

void RunLog::error(std::string_view line, std::string_view message, Clock::time_point now) {
    if (json_) {
        return json(now, "error", field("line", quoted(line)) + field("message", quoted(message)));
    }
    human(now, "scenario error: " + std::string(message) + " in \"" + std::string(line) + "\"");
}

void RunLog::human(Clock::time_point now, std::string_view text) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%8.3f ",
                  std::chrono::duration<double>(now - start_).count());
    out_ << stamp << text << std::endl;
}

void RunLog::json(Clock::time_point now, std::string_view event, std::string_view fields) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%.3f", std::chrono::duration<double>(now - start_).count());
    out_ << "{\"t\":" << stamp << ",\"event\":" << quoted(event) << fields << "}" << std::endl;
}

}  // namespace velko::sim
