#include "control/events.h"

#include <gtest/gtest.h>

#include "support/recording_sink.h"

namespace velko {
namespace {

using testing::RecordingSink;

// A sink that changes the list while it handles an event: a sink it unadvises hears nothing
// more, even later in the same event; a sink it advises hears from the next event on.
TEST(EventSource, SinksAdvisedOrUnadvisedInsideAnEventTakeEffectAtOnce) {
    EventSource source;
    RecordingSink first, second, third, late;
    const auto firstCookie = source.advise(first);
    const auto secondCookie = source.advise(second);
    source.advise(third);
    first.onEvent = [&](const auto&) {
        EXPECT_TRUE(source.unadvise(secondCookie));
        EXPECT_TRUE(source.unadvise(firstCookie));
        source.advise(late);
    };

    source.HookEvent(true);
    EXPECT_EQ(first.events.size(), 1u);
    EXPECT_TRUE(second.events.empty());
    EXPECT_EQ(third.events.size(), 1u);
    EXPECT_TRUE(late.events.empty());

    source.HookEvent(false);
    EXPECT_EQ(first.events.size(), 1u);
    EXPECT_TRUE(second.events.empty());
    EXPECT_EQ(third.events.size(), 2u);
    EXPECT_EQ(late.events.size(), 1u);
    EXPECT_FALSE(source.unadvise(secondCookie));
}

}  // namespace
}  // namespace velko
