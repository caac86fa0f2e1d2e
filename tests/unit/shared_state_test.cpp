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

}  // namespace
}  // namespace velko
