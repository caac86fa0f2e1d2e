// How numbers are shown: grouped as Koreans write them where a number fits a Korean form, as it
// came otherwise, and never changed beyond the hyphens put in (docs/numbers.md).

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>

#include "gateway/calls/shown_number.h"

namespace velko::gateway {
namespace {

TEST(ShownNumber, KoreanNumbersAreGroupedAsTheyAreWritten) {
    const std::array<std::pair<std::string, std::string>, 17> numbers{{
        {"0212345678", "02-1234-5678"},      // Seoul
        {"021234567", "02-123-4567"},        // Seoul, an older number
        {"0311234567", "031-123-4567"},      // another area
        {"03112345678", "031-1234-5678"},    //
        {"0641234567", "064-123-4567"},      // the last area code
        {"01012345678", "010-1234-5678"},    // a mobile telephone
        {"0111234567", "011-123-4567"},      // an older mobile number
        {"01912345678", "019-1234-5678"},    //
        {"07012345678", "070-1234-5678"},    // an internet telephone
        {"0801234567", "080-123-4567"},      // a free call
        {"0601234567", "060-123-4567"},      // paid information
        {"05051234567", "0505-123-4567"},    // a personal or safe number
        {"050412345678", "0504-1234-5678"},  //
        {"15881234", "1588-1234"},           // nationwide service numbers
        {"15441234", "1544-1234"},           //
        {"16001234", "1600-1234"},           //
        {"18001234", "1800-1234"},           //
    }};
    for (const auto& [digits, shown] : numbers) EXPECT_EQ(shownNumber(digits), shown) << digits;
}

TEST(ShownNumber, WhatFitsNoFormIsShownAsItCame) {
    for (const std::string number : {
             "",
             "114",                   // short numbers
             "1330",                  //
             "119",                   //
             "P",                     // the terminal's words for a withheld or unavailable number
             "O",                     //
             "02123456",              // too short for Seoul
             "02123456789",           // too long for Seoul
             "031123456",             // too short for an area
             "031123456789",          // too long
             "0301234567",            // no area code
             "0501234567",            // 050 without its fourth digit
             "0509123456789",         //
             "1588123",               // a service number of seven digits
             "158812345",             // of nine
             "14001234",              // no service code
             "12345678",              // a local number without its area code
             "+82212345678",          // with a country code
             "00182212345678",        // an international prefix
             "8221234567",            //
             "02-1234-5678",          // written already
             "02 1234 5678",          //
             "0212345678#12",         // an extension
             "0212345678 ",           // a blank the terminal sent
             "０２１２３４５６７８",  // full-width digits
         }) {
        EXPECT_EQ(shownNumber(number), number);
    }
}

std::string withoutHyphens(std::string text) {
    std::erase(text, '-');
    return text;
}

// Random texts, most of them digits that start as Korean numbers do, with the length of one or
// around it.
class Numbers {
  public:
    std::string next() {
        static constexpr std::array<std::string_view, 12> kStarts{
            "02", "031", "064", "010", "011", "070", "080", "0505", "15", "16", "18", ""};
        static constexpr std::string_view kOthers = "0123456789-+#*PO ";
        std::string text(kStarts[pick(kStarts.size())]);
        const size_t length = pick(14);
        const bool digitsOnly = pick(4) != 0;
        while (text.size() < length) {
            text += digitsOnly ? static_cast<char>('0' + pick(10)) : kOthers[pick(kOthers.size())];
        }
        return text;
    }

  private:
    size_t pick(size_t count) {
        return std::uniform_int_distribution<size_t>(0, count - 1)(random_);
    }
    std::mt19937_64 random_{20260305};
};

TEST(ShownNumber, OnlyHyphensAreEverPutInAndOnlyIntoANumberOfDigits) {
    Numbers numbers;
    size_t grouped = 0;
    for (int round = 0; round < 200000; ++round) {
        const std::string number = numbers.next();
        const std::string shown = shownNumber(number);
        ASSERT_EQ(withoutHyphens(shown), withoutHyphens(number)) << number;
        if (shown == number) continue;
        ++grouped;
        // Grouped: digits alone before, two or three groups after, the last of four digits, and
        // shown as it is when it comes again.
        ASSERT_TRUE(std::ranges::all_of(number, [](char c) { return c >= '0' && c <= '9'; }))
            << number;
        const auto hyphens = std::ranges::count(shown, '-');
        ASSERT_TRUE(hyphens == 1 || hyphens == 2) << shown;
        ASSERT_EQ(shown.find("--"), std::string::npos) << shown;
        ASSERT_EQ(shown.rfind('-'), shown.size() - 5) << shown;
        ASSERT_NE(shown.front(), '-') << shown;
        ASSERT_TRUE(number.size() >= 8 && number.size() <= 12) << number;
        ASSERT_EQ(shownNumber(shown), shown);
    }
    // The texts exercised both ways.
    EXPECT_GT(grouped, 10000u);
}

}  // namespace
}  // namespace velko::gateway
