#include "gateway/log/log_listing.h"

#include <algorithm>
#include <array>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "gateway/calls/call_json.h"
#include "gateway/calls/call_text.h"
#include "gateway/calls/shown_number.h"

namespace velko::gateway {

namespace {

// The outputs that acknowledged the call, and those still pending, as "mqtt ncid".
std::string outputsWhere(const LoggedCall& logged, bool delivered) {
    std::string names;
    for (const auto& [output, when] : logged.deliveries) {
        if (when.has_value() != delivered) continue;
        names += (names.empty() ? "" : " ") + output;
    }
    return names;
}

// Columns a text takes on a terminal: East Asian wide characters take two.
size_t displayWidth(const std::string& text) {
    size_t width = 0;
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t code = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (size_t k = 1; k < length && i + k < text.size(); ++k) {
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        const bool wide =
            (code >= 0x1100 && code <= 0x115F) || (code >= 0x2E80 && code <= 0xA4CF) ||
            (code >= 0xAC00 && code <= 0xD7A3) || (code >= 0xF900 && code <= 0xFAFF) ||
            (code >= 0xFF00 && code <= 0xFF60) || (code >= 0x20000 && code <= 0x3FFFD);
        width += wide ? 2 : 1;
        i += length;
    }
    return width;
}

constexpr size_t kColumns = 10;
using Row = std::array<std::string, kColumns>;

Row tableRow(const LoggedCall& logged) {
    const Call& call = logged.call;
    return {std::to_string(call.id),
            shortTime(call),
            withoutControls(shownNumber(call.number)),
            withoutControls(call.name),
            std::to_string(call.group),
            withoutControls(call.type),
            std::to_string(call.state),
            call.source == CallSource::Memory ? "memory" : "",
            outputsWhere(logged, true),
            outputsWhere(logged, false)};
}

void printTable(std::ostream& out, const std::vector<LoggedCall>& calls) {
    std::vector<Row> rows{
        {"id", "time", "number", "name", "group", "type", "state", "from", "delivered", "pending"}};
    for (const LoggedCall& logged : calls) rows.push_back(tableRow(logged));
    std::array<size_t, kColumns> widths{};
    for (const Row& row : rows) {
        for (size_t i = 0; i < kColumns; ++i) widths[i] = std::max(widths[i], displayWidth(row[i]));
    }
    for (const Row& row : rows) {
        std::string line;
        for (size_t i = 0; i < kColumns; ++i) {
            line += row[i];
            if (i + 1 < kColumns) line += std::string(widths[i] - displayWidth(row[i]) + 2, ' ');
        }
        line.erase(line.find_last_not_of(' ') + 1);
        out << line << '\n';
    }
}

void printJsonLines(std::ostream& out, const std::vector<LoggedCall>& calls) {
    for (const LoggedCall& logged : calls) out << jsonText(loggedCallJson(logged)) << '\n';
}

// Whether the text is a number written with its sign: "+" or "-" followed only by digits, blanks
// and hyphens ("+821012345678", "+82 10-1234-5678").
bool signedNumber(std::string_view text) {
    return !text.empty() && (text.front() == '+' || text.front() == '-') &&
           text.find_first_not_of("0123456789 -", 1) == std::string_view::npos;
}

// A field in double quotes when it holds a comma, a quote or a line break (RFC 4180). A field
// that a spreadsheet would take for a formula (starting with =, +, -, @, a tab or CR) starts with
// "'" first, so that it stays text; a signed number stays as it is.
std::string csvField(std::string text) {
    if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string::npos &&
        !signedNumber(text)) {
        text.insert(0, 1, '\'');
    }
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

void printCsv(std::ostream& out, const std::vector<LoggedCall>& calls) {
    printCsvHeader(out);
    printCsvRows(out, calls);
}

}  // namespace

nlohmann::ordered_json loggedCallJson(const LoggedCall& logged) {
    nlohmann::ordered_json json = callJson(logged.call);
    nlohmann::ordered_json deliveries = nlohmann::ordered_json::object();
    for (const auto& [output, when] : logged.deliveries) {
        deliveries[output] = when ? nlohmann::ordered_json(*when) : nullptr;
    }
    json["deliveries"] = deliveries;
    return json;
}

void printCsvHeader(std::ostream& out) {
    out << "id,time,month,day,hour,minute,number,name,group,type,state,line,received,delivered,"
           "pending,source\r\n";
}

void printCsvRows(std::ostream& out, const std::vector<LoggedCall>& calls) {
    for (const LoggedCall& logged : calls) {
        const Call& call = logged.call;
        const std::array<std::string, 16> fields{std::to_string(call.id),
                                                 call.time.value_or(""),
                                                 std::to_string(call.month),
                                                 std::to_string(call.day),
                                                 std::to_string(call.hour),
                                                 std::to_string(call.minute),
                                                 call.number,
                                                 call.name,
                                                 std::to_string(call.group),
                                                 call.type,
                                                 std::to_string(call.state),
                                                 call.line,
                                                 call.received,
                                                 outputsWhere(logged, true),
                                                 outputsWhere(logged, false),
                                                 callSourceName(call.source)};
        for (size_t i = 0; i < fields.size(); ++i) out << (i ? "," : "") << csvField(fields[i]);
        out << "\r\n";
    }
}

void printCalls(std::ostream& out, const std::vector<LoggedCall>& calls, ListingFormat format) {
    switch (format) {
        case ListingFormat::Table:
            return printTable(out, calls);
        case ListingFormat::JsonLines:
            return printJsonLines(out, calls);
        case ListingFormat::Csv:
            return printCsv(out, calls);
    }
}

}  // namespace velko::gateway
