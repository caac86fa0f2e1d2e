#include <gtest/gtest.h>

#include <filesystem>

#include "gateway/call_log.h"
#include "unit/gateway_log_folder.h"

namespace velko::gateway {
namespace {

class CallLogFile : public LogFolder {
  protected:
    static Call call(std::string number, std::string received) {
        Call made;
        made.state = 1;
        made.month = 3;
        made.day = 5;
        made.hour = 9;
        made.minute = 7;
        made.time = "2026-03-05T09:07:00+09:00";
        made.number = std::move(number);
        made.name = "홍길동";
        made.group = 2;
        made.type = "NORMAL";
        made.line = "shop";
        made.received = std::move(received);
        return made;
    }

    static std::vector<std::string> numbers(const std::vector<Call>& calls) {
        std::vector<std::string> result;
        for (const Call& call : calls) result.push_back(call.number);
        return result;
    }
};

TEST_F(CallLogFile, KeepsEachOutputsPendingCallsInOrderAcrossReopening) {
    {
        CallLog log(path_, CallLog::Durability::ProcessSafe);
        for (const char* number : {"01", "02", "03"}) {
            Call logged = call(number, "2026-03-05T00:07:00.000Z");
            log.addCall(logged, {"mqtt", "ncid"});
            EXPECT_GT(logged.id, 0);
        }
        Call unsent = call("04", "2026-03-05T00:08:00.000Z");
        log.addCall(unsent, {});
        log.markDelivered(1, "mqtt", "2026-03-05T00:07:00.010Z");
        log.markDelivered(3, "mqtt", "2026-03-05T00:07:00.020Z");
        log.markDelivered(2, "ncid", "2026-03-05T00:07:00.030Z");
    }
    CallLog reopened(path_, CallLog::Durability::PowerSafe);
    EXPECT_EQ(numbers(reopened.undelivered("mqtt")), (std::vector<std::string>{"02"}));
    EXPECT_EQ(numbers(reopened.undelivered("ncid")), (std::vector<std::string>{"01", "03"}));
    const Call back = reopened.undelivered("mqtt").front();
    Call expected = call("02", "2026-03-05T00:07:00.000Z");
    expected.id = 2;
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
        for (const char* number : {"01", "02", "03"}) {
            Call logged = call(number, "2026-03-05T00:07:00.000Z");
            log.addCall(logged, {"mqtt", "ncid"});
            if (logged.number != "02") log.addHangUp({logged, 100, 110 + logged.id, 200}, {"ncid"});
        }
        log.markHangUpDelivered(1, "ncid", "2026-03-05T00:09:00.000Z");
    }
    CallLog reopened(path_, CallLog::Durability::ProcessSafe);
    const std::vector<FinishedCall> pending = reopened.undeliveredHangUps("ncid");
    ASSERT_EQ(pending.size(), 1U);
    EXPECT_EQ(pending[0].call.number, "03");
    EXPECT_EQ(pending[0].call.name, "홍길동");
    EXPECT_EQ((std::vector<std::time_t>{pending[0].started, pending[0].answered, pending[0].ended}),
              (std::vector<std::time_t>{100, 113, 200}));
    EXPECT_TRUE(reopened.undeliveredHangUps("mqtt").empty());
}

TEST_F(CallLogFile, ListsNewestFirstWithFiltersWhileTheGatewayWrites) {
    CallLog log(path_, CallLog::Durability::ProcessSafe);
    Call first = call("0212345678", "2026-03-04T23:00:00.000Z");
    Call second = call("0311112222", "2026-03-05T01:00:00.000Z");
    second.time.reset();
    Call third = call("0212349999", "2026-03-05T02:00:00.000Z");
    log.addCall(first, {"mqtt"});
    log.addCall(second, {"mqtt"});
    log.addCall(third, {"mqtt"});
    log.markDelivered(third.id, "mqtt", "2026-03-05T02:00:00.005Z");

    const auto all = listCalls(path_, {});
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].call.number, "0212349999");
    EXPECT_EQ(all[0].deliveries.front(), (std::pair<std::string, std::optional<std::string>>{
                                             "mqtt", "2026-03-05T02:00:00.005Z"}));
    EXPECT_EQ(all[1].call.time, std::nullopt);
    EXPECT_EQ(all[2].deliveries.front().second, std::nullopt);

    CallFilter filter;
    filter.receivedSince = "2026-03-05T00:00:00.000Z";
    filter.numberPart = "1234";
    EXPECT_EQ(listCalls(path_, filter).size(), 1u);
    filter = {};
    filter.limit = 2;
    EXPECT_EQ(listCalls(path_, filter).size(), 2u);
    EXPECT_THROW(listCalls((folder_ / "absent.db").string(), {}), DatabaseError);
}

}  // namespace
}  // namespace velko::gateway
