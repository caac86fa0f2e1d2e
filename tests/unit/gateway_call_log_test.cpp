#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "gateway/log/call_log.h"
#include "gateway/log/call_search.h"
#include "unit/gateway_log_folder.h"

namespace velko::gateway {
namespace {

class CallLogFile : public LogFolder {
  protected:
    static LoggedCall call(int64_t id, std::string number, std::string received,
                           std::vector<std::string> outputs) {
        LoggedCall made;
        made.call.id = id;
        made.call.state = 1;
        made.call.month = 3;
        made.call.day = 5;
        made.call.hour = 9;
        made.call.minute = 7;
        made.call.time = "2026-03-05T09:07:00+09:00";
        made.call.number = std::move(number);
        made.call.name = "홍길동";
        made.call.group = 2;
        made.call.type = "NORMAL";
        made.call.line = "shop";
        made.call.received = std::move(received);
        for (std::string& output : outputs) made.deliveries.emplace_back(output, std::nullopt);
        return made;
    }

    static std::vector<std::string> numbers(const std::vector<Call>& calls) {
        std::vector<std::string> result;
        for (const Call& call : calls) result.push_back(call.number);
        return result;
    }
};

TEST_F(CallLogFile, KeepsEachOutputsPendingCallsInOrderAcrossReopeningAPageAtATime) {
    {
        CallLog log(path_, CallLog::Durability::ProcessSafe);
        EXPECT_EQ(log.lastCallId(), 0);
        LogBatch batch;
        for (const char* number : {"01", "02", "03"}) {
            batch.calls.push_back(call(static_cast<int64_t>(batch.calls.size()) + 1, number,
                                       "2026-03-05T00:07:00.000Z", {"mqtt", "ncid"}));
        }
        batch.calls.push_back(call(4, "04", "2026-03-05T00:08:00.000Z", {}));
        // Delivered while it waited to be written.
        batch.calls[1].deliveries[1].second = "2026-03-05T00:07:00.030Z";
        batch.acknowledgements = {{1, "mqtt", "2026-03-05T00:07:00.010Z", false},
                                  {3, "mqtt", "2026-03-05T00:07:00.020Z", false}};
        log.write(batch);
    }
    CallLog reopened(path_, CallLog::Durability::PowerSafe);
    EXPECT_EQ(reopened.lastCallId(), 4);
    EXPECT_EQ(numbers(reopened.pendingCalls("mqtt", 0, 10)), (std::vector<std::string>{"02"}));
    EXPECT_EQ(numbers(reopened.pendingCalls("ncid", 0, 10)),
              (std::vector<std::string>{"01", "03"}));
    EXPECT_EQ(numbers(reopened.pendingCalls("ncid", 0, 1)), (std::vector<std::string>{"01"}));
    EXPECT_EQ(numbers(reopened.pendingCalls("ncid", 1, 10)), (std::vector<std::string>{"03"}));
    const Call back = reopened.pendingCalls("mqtt", 0, 1).front();
    const Call expected = call(2, "02", "2026-03-05T00:07:00.000Z", {}).call;
    EXPECT_EQ(back.id, expected.id);
    EXPECT_EQ(back.time, expected.time);
    EXPECT_EQ(back.name, expected.name);
    EXPECT_EQ(back.group, expected.group);
    EXPECT_EQ(back.line, expected.line);
    EXPECT_EQ(back.received, expected.received);
}

TEST_F(CallLogFile, KeepsTheEndsOfAnsweredCallsPendingForTheOutputsThatCarryThem) {
    {
        CallLog log(path_, CallLog::Durability::ProcessSafe);
        LogBatch batch;
        for (int64_t id = 1; id <= 3; ++id) {
            batch.calls.push_back(
                call(id, "0" + std::to_string(id), "2026-03-05T00:07:00.000Z", {"mqtt", "ncid"}));
            if (id != 2) {
                batch.hangUps.push_back(
                    {{batch.calls.back().call, 100, 110 + id, 200}, {{"ncid", std::nullopt}}});
            }
        }
        batch.acknowledgements = {{1, "ncid", "2026-03-05T00:09:00.000Z", true}};
        log.write(batch);
    }
    CallLog reopened(path_, CallLog::Durability::ProcessSafe);
    const std::vector<FinishedCall> pending = reopened.pendingHangUps("ncid", 0, 10);
    ASSERT_EQ(pending.size(), 1U);
    EXPECT_EQ(pending[0].call.number, "03");
    EXPECT_EQ(pending[0].call.name, "홍길동");
    EXPECT_EQ((std::vector<std::time_t>{pending[0].started, pending[0].answered, pending[0].ended}),
              (std::vector<std::time_t>{100, 113, 200}));
    EXPECT_TRUE(reopened.pendingHangUps("mqtt", 0, 10).empty());
}

TEST_F(CallLogFile, ListsNewestFirstWithFiltersWhileTheGatewayWrites) {
    CallLog log(path_, CallLog::Durability::ProcessSafe);
    LogBatch batch;
    batch.calls.push_back(call(1, "0212345678", "2026-03-04T23:00:00.000Z", {"mqtt"}));
    batch.calls.push_back(call(2, "0311112222", "2026-03-05T01:00:00.000Z", {"mqtt"}));
    batch.calls.back().call.time.reset();
    batch.calls.push_back(call(3, "0212349999", "2026-03-05T02:00:00.000Z", {"mqtt"}));
    batch.acknowledgements = {{3, "mqtt", "2026-03-05T02:00:00.005Z", false}};
    log.write(batch);

    const auto all = listCalls(path_, {});
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].call.number, "0212349999");
    EXPECT_EQ(all[0].deliveries.front(), (DeliveryState{"mqtt", "2026-03-05T02:00:00.005Z"}));
    EXPECT_EQ(all[1].call.time, std::nullopt);
    EXPECT_EQ(all[2].deliveries.front().second, std::nullopt);

    CallQuery filter;
    filter.receivedSince = "2026-03-05T00:00:00.000Z";
    filter.numberPart = "1234";
    EXPECT_EQ(listCalls(path_, filter).size(), 1u);
    filter = {};
    filter.limit = 2;
    EXPECT_EQ(listCalls(path_, filter).size(), 2u);
    EXPECT_THROW(listCalls((folder_ / "absent.db").string(), {}), DatabaseError);
}

TEST_F(CallLogFile, RefusesAFileThatIsNoCallLogNamingItAndLeavesItAsItWas) {
    const std::string garbage(5000, '\x5a');
    std::ofstream(path_, std::ios::binary) << garbage;
    try {
        CallLog log(path_, CallLog::Durability::ProcessSafe);
        FAIL() << "opened";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(std::string(error.what()), path_ + ": file is not a database");
    }
    std::ifstream file(path_, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), garbage);
    EXPECT_FALSE(std::filesystem::exists(path_ + "-wal"));
}

TEST_F(CallLogFile, AFailedWriteLeavesNothingAndTheNextOneWorks) {
    CallLog log(path_, CallLog::Durability::ProcessSafe, std::chrono::milliseconds(10));
    LogBatch batch;
    batch.calls.push_back(call(1, "01", "2026-03-05T00:07:00.000Z", {"mqtt"}));
    {
        Database other(path_, Database::Mode::ReadWrite);
        Transaction holding(other);
        EXPECT_THROW(log.write(batch), DatabaseError);
    }
    EXPECT_TRUE(listCalls(path_, {}).empty());
    log.write(batch);
    EXPECT_EQ(listCalls(path_, {}).size(), 1u);
}

}  // namespace
}  // namespace velko::gateway
