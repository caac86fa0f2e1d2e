#include <gtest/gtest.h>

#include "platform/posix/line_settings.h"

namespace velko::posix {
namespace {

TEST(ParseLineSettings, ReadsSpeedParityDataAndStopBits) {
    const auto standard = parseLineSettings("9600,n,8,1");
    ASSERT_TRUE(standard);
    EXPECT_EQ(standard->baud, 9600);
    EXPECT_EQ(standard->parity, Parity::none);
    EXPECT_EQ(standard->dataBits, 8);
    EXPECT_EQ(standard->stopBits, StopBits::one);

    const auto other = parseLineSettings("115200,E,7,2");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->baud, 115200);
    EXPECT_EQ(other->parity, Parity::even);
    EXPECT_EQ(other->stopBits, StopBits::two);

    const auto five = parseLineSettings("300,m,5,1.5");
    ASSERT_TRUE(five);
    EXPECT_EQ(five->parity, Parity::mark);
    EXPECT_EQ(five->stopBits, StopBits::oneAndHalf);
}

TEST(ParseLineSettings, RejectsMalformedTexts) {
    for (const char* text : {"",
                             "9600",
                             "9600,n,8",
                             "9600,n,8,1,",
                             "9600,n,8,1,1",
                             " 9600,n,8,1",
                             "9600 ,n,8,1",
                             "9600,,8,1",
                             "9600,x,8,1",
                             "9600,nn,8,1",
                             "9601,n,8,1",
                             "-9600,n,8,1",
                             "0,n,8,1",
                             "99999999999,n,8,1",
                             "9600,n,4,1",
                             "9600,n,9,1",
                             "9600,n,8,0",
                             "9600,n,8,3",
                             "9600,n,8,1.5",
                             "9600,n,5,2",
                             "9600;n;8;1"}) {
        EXPECT_FALSE(parseLineSettings(text)) << '"' << text << '"';
    }
}

TEST(ApplyLineSettings, MakesARawLineWithTheFraming) {
    termios attributes{};
    attributes.c_lflag = ECHO | ICANON | ISIG;
    attributes.c_iflag = ICRNL | IXON;
    attributes.c_oflag = OPOST | ONLCR;
    ASSERT_TRUE(
        applyLineSettings(attributes, *parseLineSettings("19200,o,7,2"), Handshaking::none));
    EXPECT_EQ(attributes.c_lflag & (ECHO | ICANON | ISIG), 0u);
    EXPECT_EQ(attributes.c_iflag & (ICRNL | IXON | IXOFF), 0u);
    EXPECT_EQ(attributes.c_oflag & OPOST, 0u);
    EXPECT_EQ(attributes.c_cflag & (CSIZE | PARENB | PARODD | CSTOPB | CLOCAL | CREAD | CRTSCTS),
              CS7 | PARENB | PARODD | CSTOPB | CLOCAL | CREAD);
    EXPECT_EQ(attributes.c_cc[VMIN], 1);
    EXPECT_EQ(cfgetospeed(&attributes), B19200);
    EXPECT_EQ(cfgetispeed(&attributes), B19200);

    ASSERT_TRUE(applyLineSettings(attributes, LineSettings{}, Handshaking::xonXoffAndRtsCts));
    EXPECT_EQ(attributes.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), CS8 | CRTSCTS);
    EXPECT_EQ(attributes.c_iflag & (IXON | IXOFF), IXON | IXOFF);
}

TEST(HandshakingOf, AcceptsTheFourModesOnly) {
    EXPECT_EQ(handshakingOf(0), Handshaking::none);
    EXPECT_EQ(handshakingOf(3), Handshaking::xonXoffAndRtsCts);
    EXPECT_FALSE(handshakingOf(-1));
    EXPECT_FALSE(handshakingOf(4));
}

}  // namespace
}  // namespace velko::posix
