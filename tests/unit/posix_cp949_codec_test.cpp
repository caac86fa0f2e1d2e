#include <gtest/gtest.h>

#include "platform/posix/cp949_codec.h"

namespace velko::posix {
namespace {

TEST(Cp949, JoinsSplitCharactersAndReplacesInvalidBytes) {
    Cp949Decoder decoder;
    EXPECT_EQ(decoder.decode("A\xB0"), u"A");
    EXPECT_EQ(decoder.decode("\xA1\xB3"), u"가");
    EXPECT_EQ(decoder.decode("\xAA\x80"
                             "B\xB0\r\n"),
              u"나\uFFFDB\uFFFD\r\n");
}

// One encoder serves every write: a text the code page cannot hold leaves nothing behind.
TEST(Cp949, EncodesWithAQuestionMarkForWhatTheCodePageLacks) {
    Cp949Encoder encoder;
    EXPECT_EQ(encoder.encode(u"a\U0001F600b\xD800"), "a?b?");
    EXPECT_EQ(encoder.encode(u"[가\r"), "[\xB0\xA1\r");
    EXPECT_EQ(encoder.encode(u"\xDBFF"), "?");
    EXPECT_EQ(encoder.encode(u"가"), "\xB0\xA1");
}

}  // namespace
}  // namespace velko::posix
