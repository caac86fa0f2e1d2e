#include "gateway/outputs/ncid_lines.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <vector>

namespace velko::gateway {

namespace {

constexpr size_t kNameBytes = 50;

// The words the server looks for anywhere in a line. "CALL" covers every type word (CALLIN,
// CALLOUT, CALLBLK, ...), SCALL, ECALL and CALLINFO; they are listed too so that the whole word
// is lowered ("Callout", not "CallOUT").
constexpr std::array<std::string_view, 17> kKeywords{
    "RING",  "CALL",  "CALLIN", "CALLOUT", "CALLBLK", "CALLHUP", "CALLPID", "CALLWID", "CALLINFO",
    "SCALL", "ECALL", "DATE",   "LINE",    "NMBR",    "NAME",    "CANCEL",  "BYE"};

enum class Field { Line, Number, Name };

bool isControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// Each character rewritten by itself, in one pass over the value, into characters that end
// nothing: no replacement holds a character that another rule replaces. Control characters
// become a blank, "*" a full-width star; in a name each "+" becomes a full-width plus and each
// "..." an ellipsis; in a number or a line id "." becomes "-", and the third and later "+" of a
// run a full-width plus.
std::string safeCharacters(std::string_view value, Field field) {
    std::string text;
    size_t plusRun = 0;
    for (size_t at = 0; at < value.size(); ++at) {
        const char c = value[at];
        plusRun = c == '+' ? plusRun + 1 : 0;
        if (isControl(c)) {
            text += ' ';
        } else if (c == '*') {
            text += "\uFF0A";
        } else if (field == Field::Name && c == '+') {
            text += "\uFF0B";
        } else if (field == Field::Name && value.substr(at, 3) == "...") {
            text += "\u2026";
            at += 2;
        } else if (field != Field::Name && c == '.') {
            text += '-';
        } else if (field != Field::Name && plusRun > 2) {
            text += "\uFF0B";
        } else {
            text += c;
        }
    }
    return text;
}

// Lowers every letter but the first of each keyword in the label and the value together, and
// keeps the value's part: a keyword that begins in the label ("NMBR" and "ING" make "RING") is
// broken too. Only upper-case letters change, to lower case, and nothing moves, so no keyword can
// form where there was none.
std::string withoutKeywords(std::string_view label, std::string_view value) {
    std::string text = std::string(label) + std::string(value);
    std::vector<bool> lower(text.size(), false);
    for (size_t at = 0; at < text.size(); ++at) {
        for (const std::string_view keyword : kKeywords) {
            if (text[at] != keyword[0] || text.compare(at, keyword.size(), keyword) != 0) continue;
            std::fill(lower.begin() + at + 1, lower.begin() + at + keyword.size(), true);
        }
    }
    for (size_t at = label.size(); at < text.size(); ++at) {
        if (lower[at] && text[at] >= 'A' && text[at] <= 'Z') text[at] += 'a' - 'A';
    }
    return text.substr(label.size());
}

// The server takes a value of one byte as empty.
std::string notSingle(std::string text) { return text.size() == 1 ? "(" + text + ")" : text; }

// The bytes of the UTF-8 character at `at`; one for a byte that starts none.
size_t characterBytes(std::string_view text, size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const size_t bytes = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF8 ? 4 : 1;
    for (size_t next = 1; next < bytes; ++next) {
        if (at + next >= text.size() ||
            (static_cast<unsigned char>(text[at + next]) & 0xC0) != 0x80) {
            return 1;
        }
    }
    return bytes;
}

// The server cuts a name at 50 bytes, inside a character; here it ends before the first
// character that would cross them.
std::string withinNameBytes(std::string text) {
    size_t end = 0;
    while (end < text.size() && end + characterBytes(text, end) <= kNameBytes) {
        end += characterBytes(text, end);
    }
    text.resize(end);
    return text;
}

// A value as it goes after its label (docs/ncid.md, "Values made safe"); empty when the value is.
std::string safeValue(std::string_view label, std::string_view value, Field field) {
    std::string text = safeCharacters(value, field);
    if (field == Field::Name) text = withinNameBytes(std::move(text));
    return withoutKeywords(label, notSingle(std::move(text)));
}

std::string safeName(const std::string& name) {
    const std::string text = safeValue("NAME", name, Field::Name);
    return text.empty() ? "NO NAME" : text;
}

// An empty number says why it is empty when its type does.
std::string safeNumber(const Call& call) {
    const std::string text = safeValue("NMBR", call.number, Field::Number);
    if (!text.empty()) return text;
    if (call.type == "NO_DISP") return "PRIVATE";
    if (call.type == "NO_GATHER") return "OUT-OF-AREA";
    return "NO-NUMBER";
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
    return "...CALL" + callType(call) + "...LINE" + safeValue("LINE", call.line, Field::Line) +
           "...NMBR" + safeNumber(call) + "...NAME" + safeName(call.name) + "+++";
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
