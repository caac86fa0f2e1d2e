#include "tools/shell/call_text.h"

#include <cstdio>

namespace velko::shell {

namespace {

std::string twoDigits(int16_t value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}

}  // namespace

std::string describeCall(const CID_INFO& call) {
    std::string text = twoDigits(call.lMonth) + "-" + twoDigits(call.lDay) + " " +
                       twoDigits(call.lHour) + ":" + twoDigits(call.lMin) + "  " +
                       toUtf8(call.lNumber);
    if (!call.lName.empty()) text += "  " + toUtf8(call.lName);
    text += "  group " + std::to_string(call.lGroup);
    if (!call.lTelType.empty()) text += "  " + toUtf8(call.lTelType);
    return text;
}

std::string quoted(const Text& text) {
    std::string out = "\"";
    for (const char c : toUtf8(text)) {
        switch (c) {
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(c));
                    out += escape;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

}  // namespace velko::shell
