#include <gtest/gtest.h>

#include <filesystem>

#include "gateway/calls/call_time.h"
#include "gateway/log/call_log.h"
#include "gateway/terminal/stored_calls.h"
#include "unit/seoul_time.h"

namespace velko::gateway {
namespace {

class StoredCalls : public SeoulTime {
  protected:
    static CID_INFO entry(int16_t day, int16_t minute, const char16_t* number) {
        CID_INFO info;
        info.lMonth = 3;
        info.lDay = day;
        info.lHour = 9;
        info.lMin = minute;
        info.lNumber = number;
        info.lTelType = u"NORMAL";
        return info;
    }

    static Call logged(const std::string& time, const std::string& number) {
        Call call;
        call.time = time;
        call.number = number;
        call.month = 3;
        call.day = static_cast<int16_t>(std::stoi(time.substr(8, 2)));
        call.hour = 9;
        call.minute = static_cast<int16_t>(std::stoi(time.substr(14, 2)));
        return call;
    }

    static std::vector<std::string> numbers(const std::vector<StoredCall>& calls) {
        std::vector<std::string> result;
        for (const StoredCall& stored : calls) result.push_back(stored.call.number);
        return result;
    }

    // The time a stored entry of these fields is logged with when read at now.
    static std::string dated(int16_t month, int16_t day, int16_t hour, int16_t minute,
                             std::time_t now) {
        CidList list{};
        list[0] = entry(day, minute, u"0101");
        list[0].lMonth = month;
        list[0].lHour = hour;
        return storedCalls(list, 1, "shop", now, "now").front().call.time.value_or("none");
    }

    // The calls the backfill adds when it reads the list at now, the log holding `log`.
    static std::vector<Call> added(const CidList& list, int count, std::time_t now,
                                   const std::vector<Call>& log,
                                   std::optional<std::time_t> keptSince = std::nullopt) {
        return missingCalls(storedCalls(list, count, "shop", now, "now"), log, keptSince);
    }

    static std::vector<std::string> times(const std::vector<Call>& calls) {
        std::vector<std::string> result;
        for (const Call& call : calls) result.push_back(call.time.value_or("none"));
        return result;
    }
};

TEST_F(StoredCalls, EachLoggedCallAccountsForOneStoredCallOfItsMinuteAndNumber) {
    CidList list{};
    list[0] = entry(5, 8, u"0200000000");
    list[1] = entry(5, 7, u"0212345678");
    list[2] = entry(5, 7, u"0212345678");
    list[3] = entry(5, 7, u"0311112222");
    list[4] = entry(31, 7, u"0399999999");
    list[4].lMonth = 2;  // 31 February is no date
    const auto stored = storedCalls(list, 5, "shop", seoul(2026, 3, 6, 12, 0), "now");

    // In the order of their times, the one that is no date last; every field from the list.
    EXPECT_EQ(numbers(stored), (std::vector<std::string>{"0212345678", "0212345678", "0311112222",
                                                         "0200000000", "0399999999"}));
    EXPECT_EQ(stored[0].call.time, "2026-03-05T09:07:00+09:00");
    EXPECT_EQ(stored[0].call.source, CallSource::Memory);
    EXPECT_EQ(stored[0].call.line, "shop");
    EXPECT_EQ(stored[4].call.time, std::nullopt);

    const std::vector<Call> log{logged("2026-03-05T09:07:00+09:00", "0212345678"),
                                logged("2026-03-05T09:08:00+09:00", "0200000000"),
                                logged("2026-03-05T09:08:00+09:00", "0200000000")};
    EXPECT_EQ(numbers(unmatchedCalls(stored, log)),
              (std::vector<std::string>{"0212345678", "0311112222", "0399999999"}));
    EXPECT_TRUE(unmatchedCalls({}, log).empty());
}

TEST_F(StoredCalls, AFullListNewerThanTheLogMayHaveLostCalls) {
    CidList list{};
    for (int16_t i = 0; i < kStoredCallListLimit; ++i) {
        list[static_cast<size_t>(i)] = entry(static_cast<int16_t>(6 + i / 60), i % 60, u"0101");
    }
    const auto now = seoul(2026, 3, 7, 12, 0);
    const auto full = storedCalls(list, kStoredCallListLimit, "shop", now, "now");
    const auto gap = possibleGap(full, "2026-03-05T23:59:00+09:00");
    ASSERT_TRUE(gap);
    EXPECT_EQ(gap->after, "2026-03-05T23:59:00+09:00");
    EXPECT_EQ(gap->before, "2026-03-06T09:00:00+09:00");

    EXPECT_FALSE(possibleGap(full, "2026-03-06T09:00:00+09:00"));
    const std::vector<StoredCall> shorter(full.begin(), full.end() - 1);
    EXPECT_FALSE(possibleGap(shorter, "2026-03-05T23:59:00+09:00"));
    EXPECT_FALSE(possibleGap(full, std::nullopt));
    EXPECT_EQ(momentOfTimeText("2026-03-06T00:00:00+09:00"), seoul(2026, 3, 6, 0, 0));
    EXPECT_EQ(momentOfTimeText("2026-03-06T00:00:00Z"), std::nullopt);
}

TEST_F(StoredCalls, AStoredCallIsNeverInTheFutureBeyondTheLeadAcrossTheYearsChangeAndLeapDays) {
    // Tomorrow's date is last year's call, not one that has yet to come.
    EXPECT_EQ(dated(3, 5, 9, 0, seoul(2026, 3, 4, 23, 30)), "2025-03-05T09:00:00+09:00");
    // A terminal clock a few minutes fast keeps this year; one further ahead does not.
    EXPECT_EQ(dated(3, 4, 23, 37, seoul(2026, 3, 4, 23, 30)), "2026-03-04T23:37:00+09:00");
    EXPECT_EQ(dated(3, 4, 23, 41, seoul(2026, 3, 4, 23, 30)), "2025-03-04T23:41:00+09:00");
    EXPECT_EQ(dated(3, 4, 23, 30, seoul(2026, 3, 4, 23, 30)), "2026-03-04T23:30:00+09:00");
    // The change of year, both ways.
    EXPECT_EQ(dated(12, 31, 23, 59, seoul(2027, 1, 1, 0, 1)), "2026-12-31T23:59:00+09:00");
    EXPECT_EQ(dated(1, 1, 0, 5, seoul(2026, 12, 31, 23, 58)), "2027-01-01T00:05:00+09:00");
    EXPECT_EQ(dated(1, 1, 0, 30, seoul(2026, 12, 31, 23, 58)), "2026-01-01T00:30:00+09:00");
    // 29 February from the latest leap year that puts it at or before now.
    EXPECT_EQ(dated(2, 29, 8, 0, seoul(2026, 12, 7, 15, 0)), "2024-02-29T08:00:00+09:00");
    EXPECT_EQ(dated(2, 29, 0, 5, seoul(2028, 2, 28, 23, 58)), "2028-02-29T00:05:00+09:00");
    EXPECT_EQ(dated(2, 29, 8, 0, seoul(2028, 2, 28, 23, 58)), "2024-02-29T08:00:00+09:00");
    EXPECT_EQ(dated(2, 30, 8, 0, seoul(2028, 2, 28, 23, 58)), "none");
}

TEST_F(StoredCalls, AnEntryOfAnEarlierYearStillInTheMemoryMatchesThatYearsLoggedCall) {
    CidList list{};
    list[0] = entry(5, 0, u"0212345678");
    const auto lastYear = logged("2025-03-05T09:00:00+09:00", "0212345678");
    // Read on any day of the year after, before or after the date comes round again.
    for (const std::time_t now : {seoul(2026, 3, 4, 23, 30), seoul(2026, 3, 5, 9, 0),
                                  seoul(2026, 3, 6, 12, 0), seoul(2027, 2, 1, 0, 0)}) {
        EXPECT_TRUE(added(list, 1, now, {lastYear}).empty()) << localTimeText(now);
    }
    // Two entries of one number and minute, a year apart, with only last year's logged: this
    // year's is missing, and is dated now's year.
    list[1] = list[0];
    EXPECT_EQ(times(added(list, 2, seoul(2026, 3, 6, 12, 0), {lastYear})),
              std::vector<std::string>{"2026-03-05T09:00:00+09:00"});
    // 29 February, logged four years before.
    CidList leap{};
    leap[0] = entry(29, 0, u"0212345678");
    leap[0].lMonth = 2;
    Call leapDay = logged("2024-02-29T09:00:00+09:00", "0212345678");
    leapDay.month = 2;
    EXPECT_TRUE(added(leap, 1, seoul(2028, 3, 1, 0, 0), {leapDay}).empty());
    // A live report a terminal 30 minutes fast sent on New Year's Eve was logged in the new
    // year, as the rule of live reports has it; its stored entry matches it.
    CidList newYear{};
    newYear[0] = entry(1, 25, u"0212345678");
    newYear[0].lMonth = 1;
    newYear[0].lHour = 0;
    Call early = logged("2027-01-01T00:25:00+09:00", "0212345678");
    early.month = 1;
    early.day = 1;
    early.hour = 0;
    EXPECT_TRUE(added(newYear, 1, seoul(2026, 12, 31, 23, 58), {early}).empty());
}

TEST_F(StoredCalls, TheKeepDaysCutOffTakesTheMomentTheStoredCallStandsFor) {
    CidList list{};
    list[0] = entry(5, 0, u"0200000000");  // 03-05: last year's, read the evening before
    list[1] = entry(1, 0, u"0211111111");  // 03-01: this year's
    list[2] = entry(31, 0, u"0222222222");
    list[2].lMonth = 2;  // no date: no age to judge
    const std::time_t now = seoul(2026, 3, 4, 23, 30);
    const auto kept = added(list, 3, now, {}, now - 30 * 24 * 60 * 60);
    EXPECT_EQ(times(kept), (std::vector<std::string>{"2026-03-01T09:00:00+09:00", "none"}));
}

TEST_F(StoredCalls, TheLogIsAskedForEveryYearAndAnswersWhatMatches) {
    const auto folder =
        std::filesystem::temp_directory_path() /
        ("velko-stored-calls-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(folder);
    {
        CallLog log((folder / "calls.db").string(), CallLog::Durability::ProcessSafe);
        LogBatch batch;
        for (const char* time : {"2024-03-05T09:00:00+09:00", "2025-03-05T09:00:00+09:00"}) {
            LoggedCall made;
            made.call = logged(time, "0212345678");
            made.call.id = static_cast<int64_t>(batch.calls.size()) + 1;
            made.call.line = "shop";
            batch.calls.push_back(made);
        }
        log.write(batch);
        CidList list{};
        list[0] = entry(5, 0, u"0212345678");
        list[1] = list[0];
        list[2] = list[0];
        const auto stored = storedCalls(list, 3, "shop", seoul(2026, 3, 6, 12, 0), "now");
        const std::vector<Call> found = log.callsAt("shop", possibleLoggedCalls(stored));
        EXPECT_EQ(found.size(), 2U);
        EXPECT_EQ(times(missingCalls(stored, found, std::nullopt)),
                  std::vector<std::string>{"2026-03-05T09:00:00+09:00"});
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace velko::gateway
