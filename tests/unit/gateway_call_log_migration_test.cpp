#include <gtest/gtest.h>

#include "gateway/log/call_log.h"
#include "gateway/log/call_log_schema.h"
#include "gateway/log/call_search.h"
#include "unit/gateway_log_folder.h"

namespace velko::gateway {
namespace {

// A log as the first release of the gateway wrote it: its tables, without a version, holding a
// call delivered to one output of two, an answered call whose end waits, and a hook change.
constexpr const char* kFirstReleaseLog = R"sql(
CREATE TABLE calls (id INTEGER PRIMARY KEY, received TEXT NOT NULL, line TEXT NOT NULL,
    state INTEGER NOT NULL, month INTEGER NOT NULL, day INTEGER NOT NULL, hour INTEGER NOT NULL,
    minute INTEGER NOT NULL, time TEXT, number TEXT NOT NULL, name TEXT NOT NULL,
    "group" INTEGER NOT NULL, type TEXT NOT NULL);
CREATE TABLE deliveries (call INTEGER NOT NULL REFERENCES calls(id), output TEXT NOT NULL,
    delivered TEXT, PRIMARY KEY (call, output)) WITHOUT ROWID;
CREATE INDEX pending ON deliveries(output, call) WHERE delivered IS NULL;
CREATE TABLE hook_changes (id INTEGER PRIMARY KEY, received TEXT NOT NULL, line TEXT NOT NULL,
    off_hook INTEGER NOT NULL);
CREATE TABLE answered_calls (call INTEGER PRIMARY KEY REFERENCES calls(id),
    started INTEGER NOT NULL, answered INTEGER NOT NULL, ended INTEGER NOT NULL);
CREATE TABLE hang_up_deliveries (call INTEGER NOT NULL REFERENCES answered_calls(call),
    output TEXT NOT NULL, delivered TEXT, PRIMARY KEY (call, output)) WITHOUT ROWID;
CREATE INDEX pending_hang_ups ON hang_up_deliveries(output, call) WHERE delivered IS NULL;
INSERT INTO calls VALUES (1, '2026-03-05T00:07:00.000Z', 'shop', 1, 3, 5, 9, 7,
    '2026-03-05T09:07:00+09:00', '0212345678', '홍길동', 2, 'NORMAL');
INSERT INTO calls VALUES (2, '2026-03-05T00:09:00.000Z', 'shop', 2, 3, 5, 9, 9,
    '2026-03-05T09:09:00+09:00', '0311112222', '', 0, 'BLACK');
INSERT INTO deliveries VALUES (1, 'mqtt', '2026-03-05T00:07:00.100Z'), (1, 'ncid', NULL),
    (2, 'mqtt', NULL), (2, 'ncid', NULL);
INSERT INTO hook_changes VALUES (1, '2026-03-05T00:09:10.000Z', 'shop', 1);
INSERT INTO answered_calls VALUES (2, 1772669340, 1772669350, 1772669400);
INSERT INTO hang_up_deliveries VALUES (2, 'ncid', NULL);
)sql";

class CallLogMigration : public LogFolder {
  protected:
    int version() const { return callLogVersion(Database(path_, Database::Mode::ReadOnly)); }
};

TEST_F(CallLogMigration, ALogOfTheFirstReleaseIsUpgradedKeepingEveryCallAndDeliveryState) {
    {
        Database db(path_, Database::Mode::ReadWrite);
        db.execute(kFirstReleaseLog);
    }
    // A reader tells why it cannot list it yet, and leaves it as it is: velko log and the board.
    EXPECT_THROW(listCalls(path_, {}), DatabaseError);
    try {
        findCalls(Database(path_, Database::Mode::ReadOnly), {});
        ADD_FAILURE() << "listed";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(std::string(error.what()), path_ +
                                                 ": its tables are of an earlier release (version "
                                                 "0); the gateway upgrades them when it starts");
    }
    {
        CallLog log(path_, CallLog::Durability::ProcessSafe);
        EXPECT_EQ(log.lastCallId(), 2);
        const auto ncid = log.pendingCalls("ncid", 0, 10);
        ASSERT_EQ(ncid.size(), 2u);
        EXPECT_EQ(ncid[0].name, "홍길동");
        EXPECT_EQ(ncid[0].source, CallSource::Report);
        EXPECT_EQ(log.pendingCalls("mqtt", 0, 10).size(), 1u);
        EXPECT_EQ(log.pendingHangUps("ncid", 0, 10).at(0).ended, 1772669400);
        EXPECT_EQ(log.newestCallTime("shop"), "2026-03-05T09:09:00+09:00");
        // The upgraded log takes calls from the terminal's memory.
        LogBatch batch;
        batch.calls.push_back({ncid[0], {{"mqtt", std::nullopt}}});
        batch.calls.back().call.id = 3;
        batch.calls.back().call.source = CallSource::Memory;
        log.write(batch);
    }
    EXPECT_EQ(version(), kCallLogVersion);
    const auto listed = listCalls(path_, {});
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[0].call.source, CallSource::Memory);
    EXPECT_EQ(
        listed[2].deliveries,
        (std::vector<DeliveryState>{{"mqtt", "2026-03-05T00:07:00.100Z"}, {"ncid", std::nullopt}}));
    // Opened again, it is left as it is.
    CallLog reopened(path_, CallLog::Durability::ProcessSafe);
    EXPECT_EQ(reopened.lastCallId(), 3);
}

TEST_F(CallLogMigration, ALogOfANewerReleaseIsRefusedAndLeftAsItWas) {
    {
        Database db(path_, Database::Mode::ReadWrite);
        db.execute("CREATE TABLE calls (id INTEGER PRIMARY KEY); PRAGMA user_version = 99");
    }
    try {
        CallLog log(path_, CallLog::Durability::ProcessSafe);
        FAIL() << "opened";
    } catch (const DatabaseError& error) {
        EXPECT_NE(std::string(error.what()).find(path_), std::string::npos);
        EXPECT_NE(error.reason().find("newer release"), std::string::npos);
    }
    EXPECT_EQ(version(), 99);
}

}  // namespace
}  // namespace velko::gateway
