#include "gateway/calls/shown_number.h"

#include <algorithm>
#include <array>

namespace velko::gateway {

namespace {

// A code that starts a number, and how many digits may follow it: a subscriber's number of
// seven or eight digits (written 3-4 and 4-4), or for the nationwide service numbers the four
// digits after the code.
struct Code {
    std::string_view digits;
    bool service = false;
};

constexpr std::array kCodes{
    // Seoul, and the other areas
    Code{"02"}, Code{"031"}, Code{"032"}, Code{"033"}, Code{"041"}, Code{"042"}, Code{"043"},
    Code{"044"}, Code{"051"}, Code{"052"}, Code{"053"}, Code{"054"}, Code{"055"}, Code{"061"},
    Code{"062"}, Code{"063"}, Code{"064"},
    // mobile telephones
    Code{"010"}, Code{"011"}, Code{"016"}, Code{"017"}, Code{"018"}, Code{"019"},
    // paid information, internet telephones, free calls, personal and safe numbers
    Code{"060"}, Code{"070"}, Code{"080"}, Code{"0502"}, Code{"0503"}, Code{"0504"}, Code{"0505"},
    Code{"0506"}, Code{"0507"}, Code{"0508"},
    // nationwide service numbers, eight digits (1588-1234)
    Code{"15", true}, Code{"16", true}, Code{"18", true}};

bool digitsOnly(std::string_view text) {
    return std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string shownNumber(std::string_view number) {
    if (!digitsOnly(number)) return std::string(number);
    for (const Code& code : kCodes) {
        if (!number.starts_with(code.digits)) continue;
        const std::string_view rest = number.substr(code.digits.size());
        if (code.service) {
            // The service codes are the number's first two digits: 15xx-xxxx.
            if (number.size() != 8) break;
            return std::string(number.substr(0, 4)) + "-" + std::string(number.substr(4));
        }
        if (rest.size() != 7 && rest.size() != 8) break;
        const size_t middle = rest.size() - 4;
        return std::string(code.digits) + "-" + std::string(rest.substr(0, middle)) + "-" +
               std::string(rest.substr(middle));
    }
    return std::string(number);
}

}  // namespace velko::gateway
