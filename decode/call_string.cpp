#include "decode/call_string.h"

#include <charconv>
#include <vector>

#include "control/rx_buffer.h"
#include "decode/report_decoder.h"

namespace velko {

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

}  // namespace velko
