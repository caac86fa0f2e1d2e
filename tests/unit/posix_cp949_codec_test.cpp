#include <gtest/gtest.h>

#include "platform/posix/cp949_codec.h"

namespace velko::posix {
namespace {

// "가나" in code page 949.
const std::string kGaNa = "\xB0\xA1\xB3\xAA";

TEST(Cp949Decoder, DecodesAsciiAndKorean) {
    Cp949Decoder decoder;
    EXPECT_EQ(decoder.decode("Name:" + kGaNa + "\r\n"), u"Name:가나\r\n");
}

TEST(Cp949Decoder, JoinsACharacterSplitBetweenReads) {
    Cp949Decoder decoder;
    EXPECT_EQ(decoder.decode("A\xB0"), u"A");
    EXPECT_EQ(decoder.decode("\xA1\xB3"), u"가");
    EXPECT_EQ(decoder.decode("\xAA"), u"나");
}

TEST(Cp949Decoder, ReplacesInvalidBytesAndGoesOn) {
    Cp949Decoder decoder;
    EXPECT_EQ(decoder.decode("\x80"
                             "A\xFF"
                             "B"),
              u"\uFFFDA\uFFFDB");
    // A lead byte followed by a byte that cannot end it: the lead alone is replaced.
    EXPECT_EQ(decoder.decode("\xB0\r\n"), u"\uFFFD\r\n");
    EXPECT_EQ(decoder.decode(kGaNa), u"가나");
}

TEST(Cp949Decoder, ResetForgetsAnIncompleteCharacter) {
    Cp949Decoder decoder;
    EXPECT_EQ(decoder.decode("\xB0"), u"");
    decoder.reset();
    EXPECT_EQ(decoder.decode("\xA1\r"), u"\uFFFD\r");
}

TEST(EncodeCp949, EncodesAsciiAndKorean) {
    EXPECT_EQ(encodeCp949(u"[가나\r"), "[" + kGaNa + "\r");
    EXPECT_EQ(encodeCp949(u""), "");
}

TEST(EncodeCp949, ReplacesCharactersTheCodePageLacks) {
    EXPECT_EQ(encodeCp949(u"a\U0001F600b"), "a?b");
    EXPECT_EQ(encodeCp949(u"a\xD800"
                          u"b\xDC00"),
              "a?b?");
    EXPECT_EQ(encodeCp949(u"\u0E01가"), "?" + kGaNa.substr(0, 2));
}

}  // namespace
}  // namespace velko::posix
