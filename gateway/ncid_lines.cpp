#include "gateway/ncid_lines.h"

#include <cstdio>
#include <ctime>

namespace velko::gateway {

namespace {

constexpr size_t kNameBytes = 50;

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

// What the server would misread anywhere in a line or in any value: line breaks and control
// characters, the field separator "...", the end mark "+++", the clients' separator "*", and
// the upper-case keywords RING (drops the call) and CALLOUT (makes it outgoing).
std::string safeText(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    replaceAll(text, "...", "\u2026");
    replaceAll(text, "+++", "+");
    replaceAll(text, "*", "\uFF0A");
    replaceAll(text, "CALLOUT", "Callout");
    replaceAll(text, "RING", "Ring");
    return text;
}

// The server takes a value of one character as empty.
std::string notSingle(std::string text) { return text.size() == 1 ? "(" + text + ")" : text; }

// "+" ends a name; a name is cut at 50 bytes, here at the last whole UTF-8 character.
std::string safeName(const std::string& name) {
    std::string text = safeText(name);
    replaceAll(text, "+", "\uFF0B");
    if (text.size() > kNameBytes) {
        size_t end = kNameBytes;
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
        text.resize(end);
    }
    text = notSingle(text);
    return text.empty() ? "NO NAME" : text;
}

// "." ends a number or a line id. An empty number says why it is empty when its type does.
std::string safeNumber(const Call& call) {
    std::string text = safeText(call.number);
    replaceAll(text, ".", "-");
    if (!text.empty()) return notSingle(text);
    if (call.type == "NO_DISP") return "PRIVATE";
    if (call.type == "NO_GATHER") return "OUT-OF-AREA";
    return "NO-NUMBER";
}

std::string safeLine(const std::string& line) {
    std::string text = safeText(line);
    replaceAll(text, ".", "-");
    return notSingle(text);
}

// Eight digits, month, day, hour and minute, when the terminal's fields are a real time; else
// nothing, and the server takes its own clock.
std::string date(const Call& call) {
    if (!call.time) return "";
    char text[32];
    std::snprintf(text, sizeof text, "%02d%02d%02d%02d", call.month, call.day, call.hour,
                  call.minute);
    return text;
}

std::string callType(const Call& call) { return call.type == "BLACK" ? "BLK" : "IN"; }

// "...CALLIN...LINEshop...NMBR0212345678...NAME홍길동+++"
std::string callFields(const Call& call) {
    return "...CALL" + callType(call) + "...LINE" + safeLine(call.line) + "...NMBR" +
           safeNumber(call) + "...NAME" + safeName(call.name) + "+++";
}

// "03/05/2026 09:07:02", local time.
std::string clockText(std::time_t moment) {
    std::tm fields{};
    localtime_r(&moment, &fields);
    char text[32];
    std::strftime(text, sizeof text, "%m/%d/%Y %H:%M:%S", &fields);
    return text;
}

}  // namespace

std::string ncidHello(std::string_view version) {
    return "HELLO: IDENT: gateway velko " + std::string(version);
}

std::string ncidCallLine(const Call& call) {
    return "CALL: ###DATE" + date(call) + callFields(call);
}

std::string ncidHangUpLine(const FinishedCall& finished) {
    return "CALLINFO: ###BYE...DATE" + date(finished.call) + "...SCALL" +
           clockText(finished.started) + "...ECALL" + clockText(finished.ended) +
           callFields(finished.call);
}

}  // namespace velko::gateway
