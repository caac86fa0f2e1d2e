#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>

#include "gateway/board/board_api.h"
#include "gateway/board/board_broadcast.h"
#include "gateway/board/board_events.h"
#include "gateway/board/board_report.h"
#include "gateway/log/call_log.h"
#include "gateway/log/call_stats.h"
#include "unit/gateway_log_folder.h"

namespace velko::gateway {
namespace {

using namespace std::chrono_literals;

// The notices the board's threads gave, as the gateway's output would print them.
class Told {
  public:
    BoardReport report{[this](BoardNotice notice) {
        const std::lock_guard lock(mutex_);
        notices_.push_back(std::move(notice));
    }};

    std::vector<BoardNotice::Kind> kinds() {
        const std::lock_guard lock(mutex_);
        std::vector<BoardNotice::Kind> kinds;
        for (const BoardNotice& notice : notices_) kinds.push_back(notice.kind);
        return kinds;
    }

  private:
    std::mutex mutex_;
    std::vector<BoardNotice> notices_;
};

// The stream's text once it holds `wanted`, read for at most ten seconds.
std::string readUntil(EventStream& stream, std::string text, const std::string& wanted) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (text.find(wanted) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        const std::optional<std::string> more = stream.next(100ms);
        if (!more) break;
        text += *more;
    }
    EXPECT_NE(text.find(wanted), std::string::npos) << text;
    return text;
}

constexpr const char* kUnreadable = R"(data: {"readable":false,)";
constexpr const char* kReadable = R"(data: {"readable":true})";

class BoardLog : public LogFolder {
  protected:
    void SetUp() override {
        LogFolder::SetUp();
        log_ = std::make_unique<CallLog>(path_, CallLog::Durability::ProcessSafe);
    }

    Call logCall(const std::string& number, const std::string& received) {
        LogBatch batch;
        Call& call = batch.calls.emplace_back().call;
        call.id = log_->lastCallId() + 1;
        call.number = number;
        call.received = received;
        call.line = "shop";
        log_->write(batch);
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
    BoardFeed feed("shop", {});
    Told told;
    std::vector<int64_t> expected;
    {
        BoardBroadcast broadcast(path_, feed, told.report, 4);
        EventStream stream(path_, broadcast, told.report, std::nullopt);
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

TEST_F(BoardLog, TheLiveEventsSayWhenTheLogCannotBeReadAndGoOnWithTheCallsLoggedMeanwhile) {
    BoardFeed feed("shop", {});
    Told told;
    {
        BoardBroadcast broadcast(path_, feed, told.report);
        EventStream stream(path_, broadcast, told.report, std::nullopt);
        std::string text = *stream.next(0ms);
        // Every read of the board fails on its open connection; the gateway still logs calls.
        Database(path_, Database::Mode::ReadWrite)
            .execute("ALTER TABLE deliveries RENAME TO elsewhere");
        const Call first = logCall("0211111111", "2026-03-05T00:07:00.000Z");
        feed.callLogged(first);
        text = readUntil(stream, text, kUnreadable);
        const Call second = logCall("0222222222", "2026-03-05T00:08:00.000Z");
        feed.callLogged(second);
        Database(path_, Database::Mode::ReadWrite)
            .execute("ALTER TABLE elsewhere RENAME TO deliveries");
        text = readUntil(stream, text, "event: state\nid: " + std::to_string(second.id));
        EXPECT_EQ(callIds(text), (std::vector<int64_t>{first.id, second.id}));
        EXPECT_LT(text.find(kUnreadable), text.find(kReadable));
        EXPECT_EQ(told.kinds(), (std::vector{BoardNotice::Kind::LiveEventsStopped,
                                             BoardNotice::Kind::LiveEventsResumed}));

        // A stream that starts while the log cannot be read learns it after the state.
        Database(path_, Database::Mode::ReadWrite)
            .execute("ALTER TABLE deliveries RENAME TO elsewhere");
        feed.callLogged(second);
        readUntil(stream, "", kUnreadable);
        EventStream late(path_, broadcast, told.report, std::nullopt);
        EXPECT_NE(readUntil(late, "", kUnreadable).find("event: state"), std::string::npos);
        Database(path_, Database::Mode::ReadWrite)
            .execute("ALTER TABLE elsewhere RENAME TO deliveries");
        feed.close();
    }
}

TEST_F(BoardLog, AStreamThatCannotReadWhatItMissedSaysSoAndGoesOnWhereItWas) {
    BoardFeed feed("shop", {});
    Told told;
    for (int i = 0; i < 3; ++i) logCall("02" + std::to_string(i), "2026-03-05T00:07:00.000Z");
    {
        BoardBroadcast broadcast(path_, feed, told.report);
        // The log's file is away: the broadcast's open connection still reads, a new one fails.
        const std::string away = path_ + ".away";
        std::filesystem::rename(path_, away);
        EventStream stream(path_, broadcast, told.report, 1);
        std::string text = readUntil(stream, "", kUnreadable);
        EXPECT_EQ(callIds(text), std::vector<int64_t>{});
        std::filesystem::rename(away, path_);
        text = readUntil(stream, text, kReadable);
        EXPECT_EQ(callIds(text), (std::vector<int64_t>{2, 3}));
        EXPECT_NE(text.find("event: state\nid: 3\n"), std::string::npos);
        EXPECT_EQ(told.kinds(), std::vector{BoardNotice::Kind::RequestFailed});
        feed.close();
    }
}

TEST_F(BoardLog, ALastEventIdTheLogNeverHadStartsTheStreamAsANewOne) {
    BoardFeed feed("shop", {});
    Told told;
    for (int i = 0; i < 3; ++i) logCall("02" + std::to_string(i), "2026-03-05T00:07:00.000Z");
    {
        BoardBroadcast broadcast(path_, feed, told.report);
        EventStream stream(path_, broadcast, told.report, int64_t{1} << 60);
        std::string text = readUntil(stream, "", "event: state\nid: 3\n");
        feed.callLogged(logCall("0299", "2026-03-05T00:08:00.000Z"));
        text = readUntil(stream, text, "event: call\nid: 4\n");
        EXPECT_EQ(callIds(text), std::vector<int64_t>{4});
        feed.close();
    }
}

TEST_F(BoardLog, TextParametersAreUtf8WithoutControlsAndDaysBoundTheSearchInEveryYear) {
    for (const std::string& bad :
         {std::string("ab\0", 3), std::string("a\x1b[2J"), std::string("a\x7f"),
          std::string("\xc2\x85"), std::string("\xc3"), std::string("\xc0\xaf"),
          std::string("\xed\xa0\x80"), std::string("\xf4\x90\x80\x80")}) {
        EXPECT_THROW(callQuery({{"q", bad}}, false), BadParameter) << bad;
        EXPECT_THROW(callQuery({{"type", bad}}, true), BadParameter) << bad;
    }
    EXPECT_EQ(callQuery({{"q", "홍길동 \xf0\x9f\x93\x9e"}}, false).text, "홍길동 \xf0\x9f\x93\x9e");
    EXPECT_THROW(callQuery({{"until", std::string("2026-03-5\0", 10)}}, false), BadParameter);

    logCall("0211111111", "2026-03-05T00:07:00.000Z");
    const Database db(path_, Database::Mode::ReadOnly);
    const auto found = [&](const QueryParameters& parameters) {
        return findCalls(db, callQuery(parameters, false)).size();
    };
    EXPECT_EQ(found({{"since", "0999-01-01"}}), 1u);
    EXPECT_EQ(found({{"until", "0999-01-01"}}), 0u);
    EXPECT_EQ(found({{"until", "9999-12-31"}}), 1u);
    EXPECT_EQ(found({{"since", "9999-12-31"}}), 0u);
    EXPECT_EQ(found({{"since", "0000-01-01"}, {"until", "9999-12-31"}}), 1u);
}

TEST(BoardReport, AFailingLogIsToldOnceEveryTenSecondsWithTheFailuresBetween) {
    BoardReport::Clock::time_point now{};
    std::vector<BoardNotice> told;
    BoardReport report([&](BoardNotice notice) { told.push_back(std::move(notice)); },
                       [&] { return now; });
    report.requestFailed("/api/calls", "disk I/O error");
    for (int i = 0; i < 5; ++i) report.requestFailed("/api/stats", "disk I/O error");
    now += 10s;
    report.requestFailed("/api/calls.csv", "database is locked");
    report.liveEvents(true, "");
    report.liveEvents(false, "disk I/O error");
    report.liveEvents(false, "database is locked");
    report.liveEvents(true, "");
    ASSERT_EQ(told.size(), 4u);
    EXPECT_EQ(told[0].request, "/api/calls");
    EXPECT_EQ(told[0].alsoFailed, 0u);
    EXPECT_EQ(told[1].request, "/api/calls.csv");
    EXPECT_EQ(told[1].reason, "database is locked");
    EXPECT_EQ(told[1].alsoFailed, 5u);
    EXPECT_EQ(told[2].kind, BoardNotice::Kind::LiveEventsStopped);
    EXPECT_EQ(told[2].reason, "disk I/O error");
    EXPECT_EQ(told[3].kind, BoardNotice::Kind::LiveEventsResumed);
}

TEST(BoardFailures, AnAnswerNeverCarriesWhatTheLogSaidAndOnlyALogThatCannotBeReadIs503) {
    BoardReport::Clock::time_point now{};
    std::vector<BoardNotice> told;
    BoardReport report([&](BoardNotice notice) { told.push_back(std::move(notice)); },
                       [&] {
                           now += 1min;
                           return now;
                       });
    const auto answer = [&](auto failure) {
        return failureReply(std::make_exception_ptr(failure), "/api/calls", report);
    };
    const BoardReply unreadable =
        answer(DatabaseError("/var/lib/velko/calls.db", "disk I/O error"));
    EXPECT_EQ(unreadable.status, 503);
    EXPECT_EQ(unreadable.body, R"({"error":"the call log cannot be read"})");
    const BoardReply broken = answer(std::logic_error("SELECT * FROM calls"));
    EXPECT_EQ(broken.status, 500);
    EXPECT_EQ(broken.body.find("SELECT"), std::string::npos);
    EXPECT_EQ(answer(BadParameter("limit: expected a whole number")).status, 400);
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0].reason, "disk I/O error");
    EXPECT_EQ(told[1].reason, "SELECT * FROM calls");
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
