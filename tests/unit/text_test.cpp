#include "control/text.h"

#include <gtest/gtest.h>

namespace velko {
namespace {

TEST(Utf8, RoundTripsOneToFourByteCharacters) {
    const Text text = u"A\u00E9\uAC00\U0001F600\uFFFF\U0010FFFF";
    const std::string utf8 = "A\xC3\xA9\xEA\xB0\x80\xF0\x9F\x98\x80\xEF\xBF\xBF\xF4\x8F\xBF\xBF";
    EXPECT_EQ(toUtf8(text), utf8);
    EXPECT_EQ(fromUtf8(utf8), text);
    EXPECT_EQ(fromUtf8(std::string("a\0b", 3)), Text(u"a\0b", 3));
}

TEST(Utf8, UnpairedSurrogatesBecomeReplacementCharacters) {
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(toUtf8(u"a\xD800"), "a" + replacement);
    EXPECT_EQ(toUtf8(u"\xDC00z"), replacement + "z");
    EXPECT_EQ(toUtf8(u"\xD800\xD800\xDC00"), replacement + "\xF0\x90\x80\x80");
}

// Each malformed sequence becomes one U+FFFD and decoding goes on with the byte after it.
TEST(Utf8, MalformedSequencesBecomeReplacementCharacters) {
    const struct {
        std::string bytes;
        Text text;
    } cases[] = {
        {"\x80z", u"\uFFFDz"},            // a continuation byte without a lead
        {"\xEA\xB0", u"\uFFFD"},          // cut short at the end
        {"\xEA\xB0z", u"\uFFFDz"},        // cut short by another character
        {"\xC0\xAF", u"\uFFFD"},          // overlong
        {"\xED\xA0\x80", u"\uFFFD"},      // a surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD"},  // beyond U+10FFFF
        {"\xF8z", u"\uFFFDz"},            // no lead byte of UTF-8
    };
    for (const auto& c : cases) EXPECT_EQ(fromUtf8(c.bytes), c.text) << toUtf8(c.text);
}

TEST(DecimalText, WritesPlainDecimal) {
    EXPECT_EQ(decimalText(0), u"0");
    EXPECT_EQ(decimalText(-32768), u"-32768");
    EXPECT_EQ(decimalText(1234567890123), u"1234567890123");
}

}  // namespace
}  // namespace velko
