#include "gateway/calls/shown_number.h"

#include <algorithm>
#include <array>

namespace velko::gateway {

namespace {

// How a number that starts with a code is written: the code, then a subscriber's seven or eight
// digits in two groups ("02-123-4567", "02-1234-5678"); or, for the nationwide service numbers,
// eight digits in all, in two groups of four ("1588-1234").
enum class Form { Subscriber, Service };

struct Code {
    std::string_view digits;
    Form form = Form::Subscriber;
};

// No code starts another, so a number starts with one code at most.
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
    // nationwide service numbers
    Code{"15", Form::Service}, Code{"16", Form::Service}, Code{"18", Form::Service}};

bool digitsOnly(std::string_view text) {
    return std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

std::string grouped(std::string_view number, Form form, size_t codeLength) {
    if (form == Form::Service) {
        if (number.size() != 8) return std::string(number);
        return std::string(number.substr(0, 4)) + "-" + std::string(number.substr(4));
    }
    const std::string_view subscriber = number.substr(codeLength);
    if (subscriber.size() != 7 && subscriber.size() != 8) return std::string(number);
    const size_t middle = subscriber.size() - 4;
    return std::string(number.substr(0, codeLength)) + "-" +
           std::string(subscriber.substr(0, middle)) + "-" + std::string(subscriber.substr(middle));
}

}  // namespace

std::string shownNumber(std::string_view number) {
    if (!digitsOnly(number)) return std::string(number);
    const auto code = std::ranges::find_if(
        kCodes, [&](const Code& candidate) { return number.starts_with(candidate.digits); });
    if (code == kCodes.end()) return std::string(number);
    return grouped(number, code->form, code->digits.size());
}

}  // namespace velko::gateway
