#include "control/rx_buffer.h"

#include <gtest/gtest.h>

namespace velko {
namespace {

TEST(RxBuffer, ConsumesFromTheFront) {
    RxBuffer buffer;
    buffer.append(u"abc");
    buffer.append(u"def");
    buffer.consumeFront(2);
    EXPECT_EQ(buffer.view(), u"cdef");
    buffer.consumeFront(100);
    EXPECT_TRUE(buffer.empty());
    Text big(5000, u'x');
    buffer.append(big);
    buffer.append(u"tail");
    buffer.consumeFront(4999);
    EXPECT_EQ(buffer.view(), u"xtail");
}

TEST(RxBuffer, FindsMarkersWhateverTheChunkingAndForgetsThoseConsumedInto) {
    RxBuffer buffer;
    for (TextView piece : {u"noiseEn", u"d\r", u"\nRep", u"ort\r\nB\r\nEnd\r\nxx"}) {
        buffer.append(piece);
    }
    auto frame = buffer.nextFrame();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->headerAt, 10u);
    EXPECT_EQ(frame->header, kReportHeader);
    EXPECT_EQ(frame->end, 26u);
    // Into the header: what is left holds no header, only text through its last end line.
    buffer.consumeFront(11);
    frame = buffer.nextFrame();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->header, u"");
    EXPECT_EQ(frame->end, 15u);
    buffer.consumeFront(12);
    EXPECT_FALSE(buffer.nextFrame());
    EXPECT_EQ(buffer.currentMessage(), u"d\r\nxx");
}

}  // namespace
}  // namespace velko
