#include "tools/shell/call_text.h"

#include <cstdio>

#include "gateway/calls/shown_number.h"

namespace velko::shell {

namespace {

bool isControl(char16_t unit) { return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F); }

std::string controlEscape(char16_t unit) {
    switch (unit) {
        case u'\r':
            return "\\r";
        case u'\n':
            return "\\n";
        case u'\t':
            return "\\t";
        default:
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(unit));
            return escape;
    }
}

// The text as UTF-8 with its control characters escaped, and within quotes also " and \.
std::string escaped(TextView text, bool withinQuotes) {
    std::string out;
    size_t run = 0;  // start of the current run of characters that stand for themselves
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        const bool quoteMark = withinQuotes && (unit == u'"' || unit == u'\\');
        if (!isControl(unit) && !quoteMark) continue;
        out += toUtf8(text.substr(run, i - run));
        out += quoteMark ? std::string{'\\', static_cast<char>(unit)} : controlEscape(unit);
        run = i + 1;
    }
    return out + toUtf8(text.substr(run));
}

std::string twoDigits(int16_t value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}

}  // namespace

std::string describeCall(const CID_INFO& call) {
    std::string text = twoDigits(call.lMonth) + "-" + twoDigits(call.lDay) + " " +
                       twoDigits(call.lHour) + ":" + twoDigits(call.lMin) + "  " +
                       shownNumber(call.lNumber);
    if (!call.lName.empty()) text += "  " + escapedControls(call.lName);
    text += "  group " + std::to_string(call.lGroup);
    if (!call.lTelType.empty()) text += "  " + escapedControls(call.lTelType);
    return text;
}

std::string escapedControls(TextView text) { return escaped(text, false); }

std::string shownNumber(TextView number) {
    return escapedControls(fromUtf8(gateway::shownNumber(toUtf8(number))));
}

std::string quoted(const Text& text) { return "\"" + escaped(text, true) + "\""; }

}  // namespace velko::shell
