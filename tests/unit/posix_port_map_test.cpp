#include <gtest/gtest.h>

#include "platform/posix/port_map.h"

namespace velko::posix {
namespace {

TEST(PortMap, MapsPortNumbersToDevices) {
    PortMap ports;
    EXPECT_EQ(ports.pathOf(3), "/dev/ttyS2");
    EXPECT_EQ(ports.pathOf(0), "");
    ports.map(3, "/dev/pts/5");
    EXPECT_EQ(ports.pathOf(3), "/dev/pts/5");
}

}  // namespace
}  // namespace velko::posix
