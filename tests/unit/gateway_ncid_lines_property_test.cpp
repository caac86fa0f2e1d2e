// Random field values, weighted toward what the NCID server misreads, go into NCID lines that are
// then read back the way the server reads them (its rules: docs/ncid.md).

#include <gtest/gtest.h>

#include <array>
#include <iostream>
#include <map>
#include <random>
#include <string_view>
#include <vector>

#include "gateway/outputs/ncid_lines.h"

namespace velko::gateway {
namespace {

using namespace std::string_view_literals;

// The words the server finds anywhere in a line.
constexpr std::array<std::string_view, 17> kServerWords{
    "RING", "CALLIN", "CALLOUT", "CALLBLK", "CALLHUP", "CALLPID", "CALLWID", "DATE",    "CALL",
    "LINE", "NMBR",   "NAME",    "CANCEL",  "BYE",     "SCALL",   "ECALL",   "CALLINFO"};

using Fields = std::map<std::string, std::string, std::less<>>;

// Reads a line by the server's rules into its fields, or says what the server would misread.
// The values the gateway takes from a call (LINE, NMBR, NAME) must hold none of the server's
// words, also together with the label before them; NAME may be the server's own "NO NAME".
std::string misreading(const std::string& line, std::string_view start,
                       const std::vector<std::string_view>& labels, Fields& fields) {
    if (line.find_first_of("\r\n*") != std::string::npos) return "a line break or a star";
    if (!line.starts_with(start)) return "another start";
    if (line.find("+++") != line.size() - 3) return "\"+++\" before the end";
    std::vector<std::pair<size_t, size_t>> values;  // where the call's values lie
    size_t at = start.size();
    for (size_t index = 0; index < labels.size(); ++index) {
        const std::string_view label = labels[index];
        if (line.compare(at, label.size(), label) != 0) return "no " + std::string(label);
        at += label.size();
        const size_t end = index + 1 < labels.size() ? line.find("...", at) : line.size() - 3;
        if (end == std::string::npos) return "a field missing";
        const std::string value = line.substr(at, end - at);
        if (value.size() == 1) return std::string(label) + " of one byte";
        const bool number = label == "NMBR" || label == "LINE";
        if (label == "NAME" && (value.find('+') != std::string::npos || value.size() > 50)) {
            return "a name the server cuts";
        }
        if (number && value.find('.') != std::string::npos) return "a cut " + value;
        if (number || (label == "NAME" && value != "NO NAME")) values.emplace_back(at, end);
        fields[std::string(label)] = value;
        at = end + 3;
    }
    for (const auto& [begin, end] : values) {
        const size_t from = begin < 7 ? 0 : begin - 7;  // a word that begins in the label
        const std::string_view around = std::string_view(line).substr(from, end - from);
        for (const std::string_view word : kServerWords) {
            for (size_t found = around.find(word); found != std::string::npos;
                 found = around.find(word, found + 1)) {
                if (from + found + word.size() > begin) return "a keyword in a value";
            }
        }
    }
    return "";
}

// What making a value safe may change: the case of letters, control characters to blanks, "*",
// "+" and "..." to their full-width or ellipsis forms, and in a number or line id "." to "-".
std::string folded(std::string_view text, bool number) {
    std::string fold;
    for (size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (text.substr(at, 3) == "\uFF0A" || text.substr(at, 3) == "\uFF0B") {
            fold += text[at + 2] == '\x8A' ? '*' : '+';
            at += 2;
        } else if (text.substr(at, 3) == "\u2026") {
            fold += number ? "---" : "...";
            at += 2;
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            fold += ' ';
        } else if (number && c == '.') {
            fold += '-';
        } else {
            fold += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        }
    }
    return fold;
}

// Whether a value read back is the value given, made safe: a value of one byte comes in
// parentheses, an empty one as `empty`, and a name may be cut within 50 bytes.
bool sameValue(const std::string& given, std::string read, bool number, std::string_view empty) {
    if (given.empty()) return read == empty;
    if (given.size() == 1 && read.size() == 3 && read.front() == '(' && read.back() == ')') {
        read = read.substr(1, 1);
    }
    const std::string want = folded(given, number);
    const std::string got = folded(read, number);
    if (got == want) return true;
    return !number && read.size() >= 47 && want.starts_with(got);
}

// Values of pieces the server misreads, Korean text, control characters and bytes that are no
// UTF-8; a type word is one of the terminal's or any text.
class Values {
  public:
    std::string next() {
        std::string text;
        for (size_t count = pieceCount(random_); count > 0; --count) {
            text += kPieces[pieceIndex(random_)];
        }
        return text;
    }
    std::string type() {
        static const std::array<std::string, 4> kTypes{"NORMAL", "BLACK", "NO_DISP", "NO_GATHER"};
        const size_t pick = typeIndex(random_);
        return pick < kTypes.size() ? kTypes[pick] : next();
    }
    bool coin() { return pieceIndex(random_) % 2 == 0; }

  private:
    static constexpr std::array<std::string_view, 32> kPieces{
        "+",   "+",    ".",  "...", "RING", "NAME", "NMBR", "CALL",  "OUT",  "BLK",
        "HUP", "*",    "\r", "\n",  "ING",  "LINE", "DATE", "BYE",   "E",    "R",
        "A",   "L",    "0",  "7",   " ",    "x",    "홍",   "길동 ", "\x80", "\xB0\xA1\xFF",
        "…",   "\0x"sv};
    std::mt19937 random_{20260305};
    std::uniform_int_distribution<size_t> pieceCount{0, 14};
    std::uniform_int_distribution<size_t> pieceIndex{0, kPieces.size() - 1};
    std::uniform_int_distribution<size_t> typeIndex{0, 5};
};

TEST(NcidLinesProperty, AnyValuesReadBackAsThemselvesMadeSafe) {
    constexpr int kCases = 100'000;
    const std::vector<std::string_view> callLabels{"DATE", "CALL", "LINE", "NMBR", "NAME"};
    const std::vector<std::string_view> endLabels{"BYE",  "DATE", "SCALL", "ECALL",
                                                  "CALL", "LINE", "NMBR",  "NAME"};
    Values values;
    int wrong = 0;
    std::string firstWrong;
    for (int index = 0; index < kCases; ++index) {
        FinishedCall finished{{}, 1772701622, 1772701630, 1772701780};
        Call& call = finished.call;
        if (values.coin()) {
            call.time = "2026-03-05T09:07:00+09:00";
            call.month = 3;
            call.day = 5;
        }
        call.number = values.next();
        call.name = values.next();
        call.type = values.type();
        call.line = values.next();
        const std::string empty = call.type == "NO_DISP"     ? "PRIVATE"
                                  : call.type == "NO_GATHER" ? "OUT-OF-AREA"
                                                             : "NO-NUMBER";
        for (const bool end : {false, true}) {
            const std::string line = end ? ncidHangUpLine(finished) : ncidCallLine(call);
            Fields fields;
            std::string fault = end ? misreading(line, "CALLINFO: ###", endLabels, fields)
                                    : misreading(line, "CALL: ###", callLabels, fields);
            if (fault.empty() && (fields["CALL"] != (call.type == "BLACK" ? "BLK" : "IN") ||
                                  !sameValue(call.line, fields["LINE"], true, "") ||
                                  !sameValue(call.number, fields["NMBR"], true, empty) ||
                                  !sameValue(call.name, fields["NAME"], false, "NO NAME"))) {
                fault = "another value";
            }
            if (!fault.empty() && wrong++ == 0) firstWrong = fault + ": " + line;
        }
    }
    std::cout << kCases << " cases, each a CALL and a CALLINFO line\n";
    RecordProperty("cases", kCases);
    EXPECT_EQ(wrong, 0) << firstWrong;
}

}  // namespace
}  // namespace velko::gateway
