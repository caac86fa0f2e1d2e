#include <gtest/gtest.h>

#include "platform/posix/line_settings.h"

namespace velko::posix {
namespace {

TEST(LineSettings, ParsesTheSettingsTextAndRejectsMalformedOnes) {
    const auto settings = parseLineSettings("19200,O,7,2", speedSupported);
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->baud, 19200u);
    EXPECT_EQ(settings->parity, Parity::odd);
    EXPECT_EQ(settings->dataBits, 7);
    EXPECT_EQ(settings->stopBits, StopBits::two);
    EXPECT_TRUE(parseLineSettings("300,m,5,1.5", speedSupported));
    for (const char* text :
         {"", "9600,n,8", "9600,n,8,1,", " 9600,n,8,1", "9600,,8,1", "9600,x,8,1", "9601,n,8,1",
          "-9600,n,8,1", "99999999999,n,8,1", "9600,n,4,1", "9600,n,9,1", "9600,n,8,3",
          "9600,n,8,1.5", "9600,n,5,2"}) {
        EXPECT_FALSE(parseLineSettings(text, speedSupported)) << '"' << text << '"';
    }
}

// A pseudo-terminal ignores character size and parity, so they are checked here.
TEST(LineSettings, FrameARawLine) {
    termios attributes{};
    attributes.c_lflag = ECHO | ICANON;
    attributes.c_iflag = ICRNL | IXON;
    ASSERT_TRUE(applyLineSettings(attributes, *parseLineSettings("19200,o,7,2", speedSupported),
                                  Handshaking::none));
    EXPECT_EQ(attributes.c_lflag & (ECHO | ICANON), 0u);
    EXPECT_EQ(attributes.c_iflag & (ICRNL | IXON), 0u);
    EXPECT_EQ(attributes.c_cflag & (CSIZE | PARENB | PARODD | CSTOPB | CLOCAL | CREAD),
              CS7 | PARENB | PARODD | CSTOPB | CLOCAL | CREAD);
    EXPECT_EQ(cfgetispeed(&attributes), B19200);
}

}  // namespace
}  // namespace velko::posix
