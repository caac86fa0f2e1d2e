#include "link/field_extraction.h"

#include <gtest/gtest.h>

#include "control/runtime_error.h"
#include "control/velko_foxpro.h"
#include "support/fake_platform.h"

namespace velko {
namespace {

class FieldExtraction : public ::testing::Test {
  protected:
    void SetUp() override {
        velko_var() = SharedState{};
        clearPendingError();
    }
    void TearDown() override { velko_var() = SharedState{}; }

    static void buffer(TextView text) {
        velko_var().gRxData.clear();
        velko_var().gRxData.append(text);
    }
    static Text rest() { return Text(velko_var().gRxData.view()); }

    template <typename Call>
    static int32_t failure(Call call) {
        try {
            call();
        } catch (const RuntimeError& error) {
            return error.number();
        }
        return 0;
    }

    testing::FakePlatform platform;
    velko_foxpro control{platform};
};

constexpr TextView kCall = u"Time:03050907\r\nNumber:0212345678\r\nEnd\r\n";

TEST_F(FieldExtraction, ReadsTitledFieldsInOrderAndDiscardsThroughTheEndLine) {
    buffer(kCall);
    EXPECT_EQ(control.GetInformationWithIndicator(u"Time:"), u"03050907");
    EXPECT_EQ(control.GetInformationWithIndicator(u"Number:"), u"0212345678");
    EXPECT_EQ(rest(), u"End\r\n");
    control.EndMessageDiscard();
    EXPECT_EQ(rest(), u"");

    // A field in front of one already read is gone.
    buffer(kCall);
    EXPECT_EQ(control.GetInformationWithIndicator(u"Number:"), u"0212345678");
    EXPECT_EQ(control.GetInformationWithIndicator(u"Time:"), u"");
    EXPECT_EQ(rest(), u"End\r\n");
}

TEST_F(FieldExtraction, TellsAMissingTitleFromAnEmptyValueByTheBuffer) {
    buffer(u"Name:\r\nGroup:2\r\nEnd\r\n");
    EXPECT_EQ(control.GetInformationWithIndicator(u"Type:"), u"");
    EXPECT_EQ(rest(), u"Name:\r\nGroup:2\r\nEnd\r\n");
    EXPECT_EQ(control.GetInformationWithIndicator(u"Name:"), u"");
    EXPECT_EQ(rest(), u"Group:2\r\nEnd\r\n");
    // Titles are exact and case-sensitive, found anywhere, the first occurrence winning; a
    // blank after the title belongs to the value.
    buffer(u"x group:1 Group: 7\r\nGroup:8\r\nEnd\r\n");
    EXPECT_EQ(control.GetInformationWithIndicator(u"Group:"), u" 7");
    EXPECT_EQ(rest(), u"Group:8\r\nEnd\r\n");
}

TEST_F(FieldExtraction, AnEmptyTitleReadsTheFirstLine) {
    buffer(u"D\r\nTime:1\r\nEnd\r\n");
    EXPECT_EQ(control.GetInformationWithIndicator(u""), u"D");
    EXPECT_EQ(rest(), u"Time:1\r\nEnd\r\n");
    buffer(u"");
    EXPECT_EQ(control.GetInformationWithIndicator(u""), u"");
    EXPECT_EQ(control.GetInformationWithoutIndicator(), u"");
    control.EndMessageDiscard();
    EXPECT_EQ(rest(), u"");
}

TEST_F(FieldExtraction, ATitleWithoutLineEndIsAnInvalidArgumentAfterDroppingTheTitle) {
    buffer(u"x\r\nTime:0305");
    EXPECT_EQ(failure([&] { control.GetInformationWithIndicator(u"Time:"); }), 5);
    EXPECT_EQ(rest(), u"0305");
    // A lone CR or LF is no line end.
    buffer(u"Name:a\rb\nc");
    EXPECT_EQ(failure([&] { control.GetInformationWithIndicator(u"Name:"); }), 5);
    EXPECT_EQ(rest(), u"a\rb\nc");
}

TEST_F(FieldExtraction, ReadsBareLines) {
    buffer(u"\r\n0305\r\n");
    EXPECT_EQ(control.GetInformationWithoutIndicator(), u"");
    EXPECT_EQ(rest(), u"0305\r\n");
    EXPECT_EQ(control.GetInformationWithoutIndicator(), u"0305");
    EXPECT_EQ(rest(), u"");
    // A partial line stays for the rest of it to arrive.
    buffer(u"09");
    EXPECT_EQ(control.GetInformationWithoutIndicator(), u"");
    EXPECT_EQ(rest(), u"09");
}

TEST_F(FieldExtraction, DiscardsThroughTheFirstEndLineOnly) {
    buffer(u"a\r\nEnd\r\nb\r\nEnd\r\n");
    control.EndMessageDiscard();
    EXPECT_EQ(rest(), u"b\r\nEnd\r\n");
    buffer(u"a\r\nEnd");
    control.EndMessageDiscard();
    EXPECT_EQ(rest(), u"a\r\nEnd");
    // The five characters make an end line wherever they stand.
    buffer(u"Name:FrontEnd\r\nGroup:1\r\nEnd\r\n");
    EXPECT_EQ(control.GetInformationWithIndicator(u"Group:"), u"");
    control.EndMessageDiscard();
    EXPECT_EQ(rest(), u"Group:1\r\nEnd\r\n");
}

TEST_F(FieldExtraction, NeverReadsIntoTheNextMessage) {
    const Text next = u"Report\r\nD\r\nTime:11111111\r\nEnd\r\n";
    buffer(u"Number:1\r\nEnd\r\n" + next);
    EXPECT_EQ(control.GetInformationWithIndicator(u"Time:"), u"");
    EXPECT_EQ(rest(), u"Number:1\r\nEnd\r\n" + next);

    // Once the message being decoded has lost its end line, nothing more of the buffer is its.
    {
        MessageScope scope(velko_var());
        EXPECT_EQ(control.GetInformationWithoutIndicator(), u"Number:1");
        EXPECT_EQ(control.GetInformationWithoutIndicator(), u"End");
        EXPECT_EQ(control.GetInformationWithIndicator(u"Time:"), u"");
        EXPECT_EQ(control.GetInformationWithIndicator(u""), u"");
        EXPECT_EQ(control.GetInformationWithoutIndicator(), u"");
        control.EndMessageDiscard();
        scope.dropRest();
        EXPECT_EQ(rest(), next);
    }
    // Outside the scope the next message is the current one.
    EXPECT_EQ(control.GetInformationWithIndicator(u"Time:"), u"11111111");
}

TEST_F(FieldExtraction, AMessageScopeDropsTheRestOfItsMessageAndNests) {
    buffer(u"D\r\nTime:1\r\nEnd\r\nB\r\nEnd\r\n");
    {
        MessageScope outer(velko_var());
        ASSERT_TRUE(outer.end().has_value());
        EXPECT_EQ(*outer.end(), 16u);
        {
            MessageScope inner(velko_var());
            EXPECT_EQ(inner.end(), outer.end());
            control.GetInformationWithoutIndicator();
        }
        EXPECT_EQ(*outer.end(), 16u);
        outer.dropRest();
        EXPECT_EQ(rest(), u"B\r\nEnd\r\n");
    }
    EXPECT_FALSE(velko_var().messageEnd.has_value());

    // Without an end line, the message is everything that has arrived.
    buffer(u"D\r\nTime:1");
    MessageScope partial(velko_var());
    EXPECT_FALSE(partial.end().has_value());
    partial.dropRest();
    EXPECT_EQ(rest(), u"");
}

TEST_F(FieldExtraction, PositionsBeyond32767AreAnOverflow) {
    const Text longLine(32767, u'x');
    const Text fits(32766, u'x');

    buffer(longLine + u"\r\nEnd\r\n");
    EXPECT_EQ(failure([&] { control.GetInformationWithoutIndicator(); }), 6);
    EXPECT_EQ(failure([&] { control.EndMessageDiscard(); }), 6);
    EXPECT_EQ(rest().size(), 32774u);
    buffer(fits + u"\r\nEnd\r\n");
    EXPECT_EQ(control.GetInformationWithoutIndicator(), fits);

    buffer(fits + u"End\r\n");
    control.EndMessageDiscard();
    EXPECT_EQ(rest(), u"");

    // The value's line end is counted from the end of the title, which is gone by then.
    buffer(u"Name:" + longLine + u"\r\nEnd\r\n");
    EXPECT_EQ(failure([&] { control.GetInformationWithIndicator(u"Name:"); }), 6);
    EXPECT_EQ(rest(), longLine + u"\r\nEnd\r\n");
    buffer(u"Name:" + fits + u"\r\nEnd\r\n");
    EXPECT_EQ(control.GetInformationWithIndicator(u"Name:"), fits);

    // A title that stands beyond 32,767 cannot be held either; the buffer stays.
    buffer(longLine + u"Name:a\r\nEnd\r\n");
    EXPECT_EQ(failure([&] { control.GetInformationWithIndicator(u"Name:"); }), 6);
    EXPECT_EQ(rest().size(), 32767u + 13u);
}

}  // namespace
}  // namespace velko
