#include "sim/message_text.h"

#include <string_view>

#include "sim/terminal_clock.h"

namespace velko::sim {

namespace {

std::string message(std::string_view header, const std::vector<std::string>& body) {
    std::string text{header};
    text += "\r\n";
    for (const std::string& line : body) {
        text += line;
        text += "\r\n";
    }
    text += "End\r\n";
    return text;
}

// A titled line, e.g. titled("Number:", "0212345678") is "Number:0212345678".
std::string titled(std::string_view title, std::string_view value) {
    std::string line{title};
    line += value;
    return line;
}

}  // namespace

std::string reportMessage(const std::vector<std::string>& body) { return message("Report", body); }

std::string responseMessage(const std::vector<std::string>& body) {
    return message("Response", body);
}

std::vector<std::string> recordLines(const CallRecord& record) {
    return {titled("Time:", callTime(record.time)), titled("Number:", record.number),
            titled("Name:", record.name), titled("Group:", record.group),
            titled("Type:", record.type)};
}

}  // namespace velko::sim
