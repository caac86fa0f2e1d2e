#include "gateway/calls/call_text.h"

#include <cstdio>

#include "gateway/calls/shown_number.h"

namespace velko::gateway {

std::string shortTime(const Call& call) {
    if (call.time) return call.time->substr(0, 10) + " " + call.time->substr(11, 5);
    char text[40];
    std::snprintf(text, sizeof text, "%02d-%02d %02d:%02d", call.month, call.day, call.hour,
                  call.minute);
    return text;
}

std::string withoutControls(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    return text;
}

std::string describeCall(const Call& call) {
    std::string text = shortTime(call) + "  " + withoutControls(shownNumber(call.number));
    if (!call.name.empty()) text += "  " + withoutControls(call.name);
    text += "  group " + std::to_string(call.group);
    if (!call.type.empty()) text += "  " + withoutControls(call.type);
    return text;
}

}  // namespace velko::gateway
