#include "link/field_extraction.h"

#include <gtest/gtest.h>

#include "control/runtime_error.h"
#include "support/control_test.h"

namespace velko {
namespace {

class FieldExtraction : public testing::ControlTest {
  protected:
    // The number of the run-time error the call fails with, 0 when it succeeds.
    template <typename Call>
    static int32_t failure(Call call) {
        try {
            call();
        } catch (const RuntimeError& error) {
            return error.number();
        }
        return 0;
    }
};

TEST_F(FieldExtraction, ReadsTitledFieldsInOrderFromTheFront) {
    fillBuffer(u"Time:03050907\r\nName:\r\nNumber: 02\r\nEnd\r\n");
    EXPECT_EQ(control.GetInformationWithIndicator(u"Time:"), u"03050907");
    EXPECT_EQ(control.GetInformationWithIndicator(u"Type:"), u"");
    EXPECT_EQ(buffer(), u"Name:\r\nNumber: 02\r\nEnd\r\n");
    EXPECT_EQ(control.GetInformationWithIndicator(u"Number:"), u" 02");
    // A field in front of one already read is gone.
    EXPECT_EQ(control.GetInformationWithIndicator(u"Name:"), u"");
    EXPECT_EQ(buffer(), u"End\r\n");

    // An empty title reads the first line; the first occurrence of a title wins, mid-line too.
    fillBuffer(u"D\r\nx Group:1\r\nGroup:2\r\n");
    EXPECT_EQ(control.GetInformationWithIndicator(u""), u"D");
    EXPECT_EQ(control.GetInformationWithIndicator(u"Group:"), u"1");
}

TEST_F(FieldExtraction, ATitleWithoutLineEndFailsAfterDroppingTheTitle) {
    fillBuffer(u"x\r\nName:a\rb\nc");
    EXPECT_EQ(failure([&] { control.GetInformationWithIndicator(u"Name:"); }), 5);
    EXPECT_EQ(buffer(), u"a\rb\nc");
}

TEST_F(FieldExtraction, ReadsBareLinesAndLeavesAPartialOne) {
    fillBuffer(u"\r\n0305\r\n09");
    EXPECT_EQ(control.GetInformationWithoutIndicator(), u"");
    EXPECT_EQ(control.GetInformationWithoutIndicator(), u"0305");
    EXPECT_EQ(control.GetInformationWithoutIndicator(), u"");
    EXPECT_EQ(buffer(), u"09");
}

TEST_F(FieldExtraction, DiscardsThroughTheFirstEndLineWhereverItStands) {
    fillBuffer(u"Name:FrontEnd\r\nGroup:1\r\nEnd\r\n");
    control.EndMessageDiscard();
    EXPECT_EQ(buffer(), u"Group:1\r\nEnd\r\n");
    fillBuffer(u"a\r\nEnd");
    control.EndMessageDiscard();
    EXPECT_EQ(buffer(), u"a\r\nEnd");
}

TEST_F(FieldExtraction, NeverReadsIntoTheNextMessage) {
    const Text next = u"Report\r\nD\r\nTime:11111111\r\nEnd\r\n";
    fillBuffer(u"Number:1\r\nEnd\r\n" + next);
    EXPECT_EQ(control.GetInformationWithIndicator(u"Time:"), u"");
    {
        // Once the message being decoded has lost its end line, nothing more of the buffer is its.
        MessageScope scope(velko_var().gRxData);
        EXPECT_EQ(control.GetInformationWithoutIndicator(), u"Number:1");
        {
            MessageScope nested(velko_var().gRxData);
            EXPECT_EQ(control.GetInformationWithoutIndicator(), u"End");
        }
        EXPECT_EQ(control.GetInformationWithIndicator(u""), u"");
        EXPECT_EQ(control.GetInformationWithoutIndicator(), u"");
        control.EndMessageDiscard();
        scope.dropRest();
        EXPECT_EQ(buffer(), next);
        // Text dropped from under the decode takes nothing of the next message with it.
        velko_var().gRxData.consumeFront(8);
        EXPECT_EQ(control.GetInformationWithoutIndicator(), u"");
    }
    EXPECT_EQ(control.GetInformationWithIndicator(u"Time:"), u"11111111");

    // A message whose end line has not arrived is everything there is.
    fillBuffer(u"D\r\nTime:1");
    MessageScope partial(velko_var().gRxData);
    partial.dropRest();
    EXPECT_EQ(buffer(), u"");
}

TEST_F(FieldExtraction, PositionsBeyond32767AreAnOverflow) {
    const Text longLine(32767, u'x');
    const Text fits(32766, u'x');
    fillBuffer(longLine + u"\r\nEnd\r\n");
    EXPECT_EQ(failure([&] { control.GetInformationWithoutIndicator(); }), 6);
    EXPECT_EQ(failure([&] { control.EndMessageDiscard(); }), 6);
    EXPECT_EQ(buffer().size(), 32774u);
    fillBuffer(fits + u"\r\nEnd\r\n");
    EXPECT_EQ(control.GetInformationWithoutIndicator(), fits);
    control.EndMessageDiscard();
    EXPECT_EQ(buffer(), u"");

    // The value's line end counts from behind the title, which is gone by then.
    fillBuffer(u"Name:" + longLine + u"\r\n");
    EXPECT_EQ(failure([&] { control.GetInformationWithIndicator(u"Name:"); }), 6);
    EXPECT_EQ(buffer(), longLine + u"\r\n");
    fillBuffer(u"Name:" + fits + u"\r\n");
    EXPECT_EQ(control.GetInformationWithIndicator(u"Name:"), fits);
    // A title beyond 32,767 cannot be held either; the buffer stays.
    fillBuffer(longLine + u"Name:a\r\n");
    EXPECT_EQ(failure([&] { control.GetInformationWithIndicator(u"Name:"); }), 6);
    EXPECT_EQ(buffer().size(), 32775u);
}

}  // namespace
}  // namespace velko
