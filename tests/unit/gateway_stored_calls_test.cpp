#include <gtest/gtest.h>

#include "gateway/call_time.h"
#include "gateway/stored_calls.h"
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

}  // namespace
}  // namespace velko::gateway
