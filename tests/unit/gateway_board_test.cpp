#include <gtest/gtest.h>

#include <cstdlib>

#include "gateway/board_broadcast.h"
#include "gateway/board_events.h"
#include "gateway/call_log.h"
#include "gateway/call_stats.h"
#include "unit/gateway_log_folder.h"

namespace velko::gateway {
namespace {

class BoardLog : public LogFolder {
  protected:
    void SetUp() override {
        LogFolder::SetUp();
        log_ = std::make_unique<CallLog>(path_, CallLog::Durability::ProcessSafe);
    }

    Call logCall(const std::string& number, const std::string& received) {
        Call call;
        call.number = number;
        call.received = received;
        call.line = "shop";
        log_->addCall(call, {});
        return call;
    }

    std::unique_ptr<CallLog> log_;
};

// The call ids in the stream's text, in order.
std::vector<int64_t> callIds(const std::string& text) {
    std::vector<int64_t> ids;
    for (size_t at = text.find("event: call\nid: "); at != std::string::npos;
         at = text.find("event: call\nid: ", at + 1)) {
        ids.push_back(std::stoll(text.substr(at + 16)));
    }
    return ids;
}

TEST_F(BoardLog, AStreamThatFallsBehindTheRingGetsEveryCallOnceInOrderFromTheLog) {
    BoardFeed feed({});
    std::vector<int64_t> expected;
    {
        BoardBroadcast broadcast(path_, feed, 4);
        EventStream stream(path_, broadcast, std::nullopt);
        std::string text = *stream.next(std::chrono::milliseconds(0));
        for (int i = 0; i < 30; ++i) {
            const Call call = logCall("02" + std::to_string(i), "2026-03-05T00:07:00.000Z");
            feed.callLogged(call);
            expected.push_back(call.id);
        }
        // The broadcast holds the last four events; the rest comes from the log.
        while (callIds(text).size() < expected.size()) {
            text += *stream.next(std::chrono::milliseconds(100));
        }
        EXPECT_EQ(callIds(text), expected);
        feed.close();
    }
}

TEST_F(BoardLog, CountsCallsByTheLocalDayAndHourOfAZoneHalfAnHourOff) {
    const char* zone = std::getenv("TZ");
    const std::string saved = zone ? zone : "";
    setenv("TZ", "Asia/Kolkata", 1);  // UTC+05:30
    tzset();
    logCall("01", "2026-03-04T18:29:59.000Z");  // 23:59 local, on the 4th
    logCall("02", "2026-03-04T18:30:00.000Z");  // 00:00 on the 5th
    logCall("02", "2026-03-05T03:45:00.000Z");  // 09:15 on the 5th
    const Database db(path_, Database::Mode::ReadOnly);
    const CallStats stats = callStats(db, 2, 1772700000);  // 2026-03-05 14:10 local
    if (zone)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();

    ASSERT_EQ(stats.days.size(), 2u);
    EXPECT_EQ(stats.days[0], std::make_pair(std::string("2026-03-04"), int64_t{1}));
    EXPECT_EQ(stats.days[1], std::make_pair(std::string("2026-03-05"), int64_t{2}));
    EXPECT_EQ(stats.hours[23], 1);
    EXPECT_EQ(stats.hours[0], 1);
    EXPECT_EQ(stats.hours[9], 1);
    ASSERT_EQ(stats.top.size(), 2u);
    EXPECT_EQ(stats.top[0].number, "02");
    EXPECT_EQ(stats.top[0].calls, 2);
}

}  // namespace
}  // namespace velko::gateway
