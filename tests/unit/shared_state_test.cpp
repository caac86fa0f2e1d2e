#include "control/shared_state.h"

#include <gtest/gtest.h>

#include <thread>

#include "control/runtime_error.h"

namespace velko {
namespace {

TEST(Table17, ChecksItsIndexAgainstZeroToSixteen) {
    Table17 table;
    EXPECT_EQ(table.at(16), u"");
    table.at(0) = u"x";
    EXPECT_EQ(table.at(0), u"x");
    for (int outside : {-1, 17, 100}) {
        try {
            table.at(outside);
            ADD_FAILURE() << outside;
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.number(), 9);
            EXPECT_EQ(error.description(), u"Subscript out of range");
        }
    }
}

TEST(LookupTables, HoldTheSixteenAreasAndTheirCodeCharacters) {
    SharedState state;
    EXPECT_EQ(state.gAreaCode.at(0), u"");
    fillLookupTables(state);
    EXPECT_EQ(state.gAreaCode.at(0), u"02");
    EXPECT_EQ(state.gAreaName.at(0), u"서울");
    EXPECT_EQ(state.gAreaCode.at(11), u"055");
    EXPECT_EQ(state.gCodeChar.at(11), u"b");
    EXPECT_EQ(state.gAreaCode.at(15), u"064");
    EXPECT_EQ(state.gAreaName.at(15), u"제주");
    EXPECT_EQ(state.gCodeChar.at(15), u"f");
    EXPECT_EQ(state.gCodeChar.at(9), u"9");
    EXPECT_EQ(state.gAreaCode.at(16), u"");
    EXPECT_EQ(state.gAreaName.at(16), u"");
    EXPECT_EQ(state.gCodeChar.at(16), u"");
}

TEST(SharedStateCopy, IsOnePerThread) {
    velko_var().gErrorMsg = u"this thread";
    Text seenElsewhere = u"unset";
    std::thread other([&] { seenElsewhere = velko_var().gErrorMsg; });
    other.join();
    EXPECT_EQ(seenElsewhere, u"");
    EXPECT_EQ(velko_var().gErrorMsg, u"this thread");
    velko_var().gErrorMsg.clear();
}

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
