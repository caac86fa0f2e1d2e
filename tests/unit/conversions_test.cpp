#include "control/conversions.h"

#include <gtest/gtest.h>

#include <cmath>

#include "control/runtime_error.h"

namespace velko {
namespace {

TEST(LeadingNumber, ReadsDecimalNumbersAndStopsAtTheFirstForeignCharacter) {
    EXPECT_EQ(leadingNumber(u"12"), 12);
    EXPECT_EQ(leadingNumber(u"12ab"), 12);
    EXPECT_EQ(leadingNumber(u"x1"), 0);
    EXPECT_EQ(leadingNumber(u""), 0);
    EXPECT_EQ(leadingNumber(u"-"), 0);
    EXPECT_EQ(leadingNumber(u"."), 0);
    EXPECT_EQ(leadingNumber(u"1.2.3"), 1.2);
    EXPECT_EQ(leadingNumber(u".5"), 0.5);
    EXPECT_EQ(leadingNumber(u"5."), 5);
    EXPECT_EQ(leadingNumber(u"5x"), 5);
    EXPECT_EQ(leadingNumber(u"0930"), 930);
}

TEST(LeadingNumber, IgnoresBlanksTabsAndLineFeedsAnywhere) {
    EXPECT_EQ(leadingNumber(u"1 2"), 12);
    EXPECT_EQ(leadingNumber(u"  \t4\n2 "), 42);
    EXPECT_EQ(leadingNumber(u"- 7"), -7);
    EXPECT_EQ(leadingNumber(u"1 . 5"), 1.5);
    // A carriage return is not a blank: it ends the number.
    EXPECT_EQ(leadingNumber(u"1\r2"), 1);
}

TEST(LeadingNumber, ReadsSignsAndExponents) {
    EXPECT_EQ(leadingNumber(u"+3"), 3);
    EXPECT_EQ(leadingNumber(u"-3.25"), -3.25);
    EXPECT_EQ(leadingNumber(u"1e3"), 1000);
    EXPECT_EQ(leadingNumber(u"1E+2"), 100);
    EXPECT_EQ(leadingNumber(u"25e-1"), 2.5);
    EXPECT_EQ(leadingNumber(u"1D2"), 100);
    EXPECT_EQ(leadingNumber(u"1e"), 1);
    EXPECT_EQ(leadingNumber(u"1e+"), 1);
    EXPECT_EQ(leadingNumber(u"2ex"), 2);
    EXPECT_TRUE(std::isinf(leadingNumber(u"1e999")));
    EXPECT_EQ(leadingNumber(u"1e-999"), 0);
}

TEST(LeadingNumber, ReadsHexadecimalAndOctalAfterTheirPrefix) {
    EXPECT_EQ(leadingNumber(u"&H1F"), 31);
    EXPECT_EQ(leadingNumber(u"&hff"), 255);
    EXPECT_EQ(leadingNumber(u"&H1G"), 1);
    EXPECT_EQ(leadingNumber(u"&O17"), 15);
    EXPECT_EQ(leadingNumber(u"&o78"), 7);
    EXPECT_EQ(leadingNumber(u"& H 10"), 16);
    EXPECT_EQ(leadingNumber(u"&H"), 0);
    EXPECT_EQ(leadingNumber(u"&X1"), 0);
}

TEST(ToInt16, RoundsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(toInt16(2.5), 2);
    EXPECT_EQ(toInt16(3.5), 4);
    EXPECT_EQ(toInt16(-2.5), -2);
    EXPECT_EQ(toInt16(0.5), 0);
    EXPECT_EQ(toInt16(1.5), 2);
    EXPECT_EQ(toInt16(2.6), 3);
    EXPECT_EQ(toInt16(-2.4), -2);
}

TEST(ToInt16, AcceptsTheSixteenBitRangeAndOverflowsOutsideIt) {
    EXPECT_EQ(toInt16(-32768), -32768);
    EXPECT_EQ(toInt16(32767), 32767);
    EXPECT_EQ(toInt16(32767.4), 32767);
    EXPECT_EQ(toInt16(-32768.5), -32768);
    for (double outside :
         {32768.0, 32767.5, -32769.0, -32768.6, double{INFINITY}, -double{INFINITY}, double{NAN}}) {
        try {
            toInt16(outside);
            ADD_FAILURE() << outside << " did not overflow";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.number(), 6);
            EXPECT_EQ(error.description(), u"Overflow");
        }
    }
}

TEST(NumericField, CombinesReadingAndConversion) {
    EXPECT_EQ(numericField(u"2"), 2);
    EXPECT_EQ(numericField(u"COM"), 0);
    EXPECT_EQ(numericField(u"2.5"), 2);
    EXPECT_EQ(numericField(u"3.5"), 4);
    EXPECT_EQ(numericField(u"-32768"), -32768);
    EXPECT_THROW(numericField(u"32768"), RuntimeError);
    EXPECT_THROW(numericField(u"99999"), RuntimeError);
    EXPECT_EQ(numericField(u"&HFF"), 255);
}

TEST(TimeValue, TakesTwoCharacterSlices) {
    CID_INFO record;
    fillTimeValue(record, u"03050907");
    EXPECT_EQ(record.lMonth, 3);
    EXPECT_EQ(record.lDay, 5);
    EXPECT_EQ(record.lHour, 9);
    EXPECT_EQ(record.lMin, 7);

    fillTimeValue(record, u"1231");
    EXPECT_EQ(record.lMonth, 12);
    EXPECT_EQ(record.lDay, 31);
    EXPECT_EQ(record.lHour, 0);
    EXPECT_EQ(record.lMin, 0);

    fillTimeValue(record, u"13320000999");
    EXPECT_EQ(record.lMonth, 13);
    EXPECT_EQ(record.lDay, 32);
    EXPECT_EQ(record.lMin, 0);

    fillTimeValue(record, u"12345");
    EXPECT_EQ(record.lHour, 5);
    EXPECT_EQ(record.lMin, 0);

    fillTimeValue(record, u"ab1 x 9");
    EXPECT_EQ(record.lMonth, 0);
    EXPECT_EQ(record.lDay, 1);
    EXPECT_EQ(record.lHour, 0);
    EXPECT_EQ(record.lMin, 9);
}

TEST(LineType, TranslatesExactLettersOnly) {
    EXPECT_EQ(lineTypeWord(u"B"), u"BLACK");
    EXPECT_EQ(lineTypeWord(u"S"), u"NORMAL");
    EXPECT_EQ(lineTypeWord(u"C"), u"PUBLIC");
    EXPECT_EQ(lineTypeWord(u"P"), u"NO_DISP");
    EXPECT_EQ(lineTypeWord(u"O"), u"NO_GATHER");
    EXPECT_EQ(lineTypeWord(u"V"), u"VIP");
    EXPECT_EQ(lineTypeWord(u"s"), u"");
    EXPECT_EQ(lineTypeWord(u"b"), u"");
    EXPECT_EQ(lineTypeWord(u"S "), u"");
    EXPECT_EQ(lineTypeWord(u""), u"");
}

}  // namespace
}  // namespace velko
