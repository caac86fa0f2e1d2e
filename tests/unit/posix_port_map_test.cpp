#include <gtest/gtest.h>

#include "platform/posix/port_map.h"

namespace velko::posix {
namespace {

TEST(PortMap, PortNumbersNameTheSerialDevicesUnlessMapped) {
    PortMap ports;
    EXPECT_EQ(ports.pathOf(1), "/dev/ttyS0");
    EXPECT_EQ(ports.pathOf(3), "/dev/ttyS2");
    EXPECT_EQ(ports.pathOf(0), "");
    EXPECT_EQ(ports.pathOf(-1), "");
    ports.map(3, "/dev/ttyUSB0");
    EXPECT_EQ(ports.pathOf(3), "/dev/ttyUSB0");
    EXPECT_EQ(ports.pathOf(4), "/dev/ttyS3");
}

TEST(PortMap, MapsFromNumberEqualsPathText) {
    PortMap ports;
    EXPECT_TRUE(ports.mapFromText("3=/dev/pts/5"));
    EXPECT_EQ(ports.pathOf(3), "/dev/pts/5");
    for (const char* malformed : {"", "3", "3=", "=/dev/pts/5", "x=/dev/pts/5", "3x=/dev/pts/5",
                                  "0=/dev/pts/5", "-2=/dev/pts/5", "32768=/dev/pts/5"}) {
        EXPECT_FALSE(ports.mapFromText(malformed)) << malformed;
    }
    EXPECT_EQ(ports.pathOf(3), "/dev/pts/5");
}

}  // namespace
}  // namespace velko::posix
