#include "control/rx_buffer.h"

#include <gtest/gtest.h>

namespace velko {
namespace {

TEST(RxBuffer, ConsumesFromTheFrontAndCountsWhatWasConsumed) {
    RxBuffer buffer;
    buffer.append(u"abc");
    buffer.append(u"def");
    buffer.consumeFront(2);
    EXPECT_EQ(buffer.view(), u"cdef");
    EXPECT_EQ(buffer.consumedTotal(), 2u);
    buffer.consumeFront(100);
    EXPECT_TRUE(buffer.empty());
    EXPECT_EQ(buffer.consumedTotal(), 6u);
    Text big(5000, u'x');
    buffer.append(big);
    buffer.append(u"tail");
    buffer.consumeFront(4999);
    EXPECT_EQ(buffer.view(), u"xtail");
    EXPECT_EQ(buffer.consumedTotal(), 6u + 4999u);
}

}  // namespace
}  // namespace velko
