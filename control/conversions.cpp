#include "control/conversions.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "control/runtime_error.h"

namespace velko {

namespace {

bool isIgnoredBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int digitValue(char16_t c) {
    if (isDigit(c)) return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return 99;
}

double radixNumber(const std::u16string& text, size_t from, int radix) {
    double value = 0;
    for (size_t i = from; i < text.size() && digitValue(text[i]) < radix; ++i) {
        value = value * radix + digitValue(text[i]);
    }
    return value;
}

double decimalNumber(const std::u16string& text) {
    std::string ascii;
    size_t i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-') ascii += '-';  // from_chars takes no plus sign
        ++i;
    }
    const size_t mantissaStart = ascii.size();
    while (i < text.size() && isDigit(text[i])) ascii += static_cast<char>(text[i++]);
    if (i < text.size() && text[i] == u'.') {
        ascii += '.';
        ++i;
        while (i < text.size() && isDigit(text[i])) ascii += static_cast<char>(text[i++]);
    }
    const bool hasDigits = ascii.find_first_of("0123456789", mantissaStart) != std::string::npos;
    if (!hasDigits) return 0;
    if (i < text.size() &&
        (text[i] == u'e' || text[i] == u'E' || text[i] == u'd' || text[i] == u'D')) {
        size_t j = i + 1;
        std::string exponent = "e";
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-'))
            exponent += static_cast<char>(text[j++]);
        const size_t exponentDigits = j;
        while (j < text.size() && isDigit(text[j])) exponent += static_cast<char>(text[j++]);
        if (j > exponentDigits) ascii += exponent;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (error == std::errc::result_out_of_range) {
        const bool negative = !ascii.empty() && ascii[0] == '-';
        const bool tiny = ascii.find("e-") != std::string::npos;
        if (tiny) return negative ? -0.0 : 0.0;
        return negative ? -std::numeric_limits<double>::infinity()
                        : std::numeric_limits<double>::infinity();
    }
    return value;
}

}  // namespace

double leadingNumber(TextView text) {
    std::u16string compact;
    compact.reserve(text.size());
    for (char16_t c : text) {
        if (!isIgnoredBlank(c)) compact += c;
    }
    if (compact.size() >= 2 && compact[0] == u'&') {
        if (compact[1] == u'H' || compact[1] == u'h') return radixNumber(compact, 2, 16);
        if (compact[1] == u'O' || compact[1] == u'o') return radixNumber(compact, 2, 8);
    }
    return decimalNumber(compact);
}

int16_t toInt16(double value) {
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -32768.0 && rounded <= 32767.0)) raiseOverflow();
    return static_cast<int16_t>(rounded);
}

int16_t numericField(TextView text) { return toInt16(leadingNumber(text)); }

TextView middle(TextView text, size_t start, size_t length) {
    if (start < 1 || start > text.size()) return {};
    return text.substr(start - 1, length);
}

void fillTimeValue(CID_INFO& record, TextView time) {
    record.lMonth = numericField(middle(time, 1, 2));
    record.lDay = numericField(middle(time, 3, 2));
    record.lHour = numericField(middle(time, 5, 2));
    record.lMin = numericField(middle(time, 7, 2));
}

Text lineTypeWord(TextView letter) {
    struct Entry {
        TextView letter;
        const char16_t* word;
    };
    static constexpr std::array<Entry, 6> kTypes{{
        {u"B", u"BLACK"},
        {u"S", u"NORMAL"},
        {u"C", u"PUBLIC"},
        {u"P", u"NO_DISP"},
        {u"O", u"NO_GATHER"},
        {u"V", u"VIP"},
    }};
    for (const Entry& entry : kTypes) {
        if (entry.letter == letter) return entry.word;
    }
    return {};
}

}  // namespace velko
