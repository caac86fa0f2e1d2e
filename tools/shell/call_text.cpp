#include "tools/shell/call_text.h"

#include <charconv>
#include <cstdio>
#include <vector>

#include "control/rx_buffer.h"
#include "decode/report_decoder.h"

namespace velko::shell {

namespace {

std::optional<int16_t> number(const Text& item) {
    const std::string text = toUtf8(item);
    int16_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

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

std::optional<CID_INFO> parseCallString(const Text& cidStrInfo) {
    std::vector<Text> items;
    size_t start = 0;
    for (size_t blank = cidStrInfo.find(u' '); blank != Text::npos;
         blank = cidStrInfo.find(u' ', start)) {
        items.push_back(cidStrInfo.substr(start, blank - start));
        start = blank + 1;
    }
    if (items.size() != 7 || start != cidStrInfo.size()) return std::nullopt;
    const auto month = number(items[0]), day = number(items[1]), hour = number(items[2]),
               minute = number(items[3]), group = number(items[5]);
    if (!month || !day || !hour || !minute || !group) return std::nullopt;
    CID_INFO call;
    call.lMonth = *month;
    call.lDay = *day;
    call.lHour = *hour;
    call.lMin = *minute;
    call.lNumber = items[4];
    call.lGroup = *group;
    call.lTelType = items[6];
    return call;
}

std::optional<Text> nameInReportDiagnostic(const Text& diagnostic) {
    constexpr TextView kTitle = u"Name:";
    if (!diagnostic.starts_with(kReportBufferLabel)) return std::nullopt;
    const TextView report = TextView(diagnostic).substr(0, diagnostic.find(kEndLine));
    const size_t title = report.find(kTitle);
    if (title == TextView::npos) return std::nullopt;
    const size_t start = title + kTitle.size();
    const size_t end = report.find(kCRLF, start);
    if (end == TextView::npos) return std::nullopt;
    return Text(report.substr(start, end - start));
}

std::string describeCall(const CID_INFO& call) {
    std::string text = twoDigits(call.lMonth) + "-" + twoDigits(call.lDay) + " " +
                       twoDigits(call.lHour) + ":" + twoDigits(call.lMin) + "  " +
                       escapedControls(call.lNumber);
    if (!call.lName.empty()) text += "  " + escapedControls(call.lName);
    text += "  group " + std::to_string(call.lGroup);
    if (!call.lTelType.empty()) text += "  " + escapedControls(call.lTelType);
    return text;
}

std::string escapedControls(TextView text) { return escaped(text, false); }

std::string quoted(const Text& text) { return "\"" + escaped(text, true) + "\""; }

}  // namespace velko::shell
