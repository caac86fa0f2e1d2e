#include "platform/win32/runtime/cp949_codec.h"
#include "tests/win/runtime_support.h"

using namespace velko;
using namespace velko::wintest;
using velko::win32::Cp949Decoder;
using velko::win32::encodeCp949;

namespace {

// "가" (B0A1), "A", "한" (C7D1), "똠" (8C63, beyond the older Korean standard), CR LF.
constexpr std::string_view kBytes =
    "\xB0\xA1"
    "A\xC7\xD1\x8C\x63\r\n";
constexpr std::u16string_view kText = u"가A한똠\r\n";

WIN_TEST(textSplitAnywhereBetweenReadsIsJoined) {
    for (size_t split = 0; split <= kBytes.size(); ++split) {
        Cp949Decoder decoder;
        Text text = decoder.decode(kBytes.substr(0, split));
        text += decoder.decode(kBytes.substr(split));
        CHECK_EQ(toUtf8(text), toUtf8(kText));
    }
    Cp949Decoder byteByByte;
    Text text;
    for (const char byte : kBytes) text += byteByByte.decode(std::string_view(&byte, 1));
    CHECK_EQ(toUtf8(text), toUtf8(kText));
}

WIN_TEST(aByteThatStartsNoCharacterBecomesTheReplacementAndDecodingGoesOn) {
    Cp949Decoder decoder;
    CHECK_EQ(toUtf8(decoder.decode("x\xC7\r\n")), toUtf8(u"x\uFFFD\r\n"));
    CHECK_EQ(toUtf8(decoder.decode("\xC7"
                                   "A\xC7\xD1")),
             toUtf8(u"\uFFFDA한"));
    CHECK_EQ(toUtf8(decoder.decode("\xC7")), std::string());
    CHECK_EQ(toUtf8(decoder.decode("\r")), toUtf8(u"\uFFFD\r"));
}

WIN_TEST(resetForgetsTheFirstByteOfASplitCharacter) {
    Cp949Decoder decoder;
    CHECK_EQ(toUtf8(decoder.decode("A\xC7")), std::string("A"));
    decoder.reset();
    CHECK_EQ(toUtf8(decoder.decode("B\r")), std::string("B\r"));
}

WIN_TEST(encodingGivesCodePage949BytesAndQuestionMarksForTheRest) {
    CHECK_EQ(encodeCp949(kText), std::string(kBytes));
    CHECK_EQ(encodeCp949(u"caf\u00e9"), std::string("caf?"));
    CHECK_EQ(encodeCp949(u""), std::string());
}

}  // namespace
