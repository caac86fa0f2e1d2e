#include <gtest/gtest.h>

#include <array>
#include <map>
#include <sstream>

#include "gateway/gateway.h"
#include "gateway/log/call_search.h"
#include "unit/gateway_log_folder.h"

namespace velko::gateway {
namespace {

// Alarms and posted tasks that run when the test says.
class ManualLoop final : public LoopAccess {
  public:
    int after(std::chrono::milliseconds, Task task) override {
        alarms_.emplace(++lastId_, std::move(task));
        return lastId_;
    }
    void cancel(int id) override { alarms_.erase(id); }
    void post(Task task) override { posted_.push_back(std::move(task)); }

    void runPosted() {
        while (!posted_.empty()) {
            Task task = std::move(posted_.front());
            posted_.erase(posted_.begin());
            task();
        }
    }
    void fireAlarms() {
        auto alarms = std::exchange(alarms_, {});
        for (auto& [id, task] : alarms) task();
    }

  private:
    int lastId_ = 0;
    std::map<int, Task> alarms_;
    std::vector<Task> posted_;
};

// Takes what it is handed, in order: call ids, and "end N" for the end of answered call N.
class RecordingOutput final : public Output {
  public:
    RecordingOutput(std::string name, bool hangUps) : name_(std::move(name)), hangUps_(hangUps) {}

    std::string_view name() const override { return name_; }
    void deliver(const Call& call) override { handed.push_back(std::to_string(call.id)); }
    void lineStatus(const LineStatus& status) override { lastStatus = status; }
    bool reportsHangUps() const override { return hangUps_; }
    void callFinished(const FinishedCall& finished) override {
        handed.push_back("end " + std::to_string(finished.call.id));
    }
    void stop() override {}

    std::vector<std::string> handed;
    LineStatus lastStatus;

  private:
    std::string name_;
    bool hangUps_;
};

// Counts what the gateway tells a watcher of the line.
struct CountingWatcher final : LineWatcher {
    void callLogged(const Call&) override { ++calls; }
    void lineChanged(const LineStatus&) override {}
    void outputChanged(std::string_view, bool) override {}

    size_t calls = 0;
};

void reportCall(Gateway& gateway, const char* number) {
    CallReport report{1, {}};
    report.call.lMonth = 3;
    report.call.lDay = 5;
    report.call.lNumber = fromUtf8(number);
    gateway.callReported(report);
}

// A gateway whose log gives up on a lock after 5 ms, with one output, handed call 1 ("01").
struct OneOutputGateway {
    OneOutputGateway(const std::string& path, LoopAccess& loop, ReportPrinter& report)
        : log(path, CallLog::Durability::ProcessSafe, std::chrono::milliseconds(5)),
          gateway(log, loop, report, {}) {
        gateway.addOutput(mqtt);
        gateway.start();
        reportCall(gateway, "01");
    }

    CallLog log;
    RecordingOutput mqtt{"mqtt", false};
    Gateway gateway;
};

class GatewayLog : public LogFolder {
  protected:
    ManualLoop loop_;
    std::ostringstream printed_;
    ReportPrinter report_{printed_, false};
};

TEST_F(GatewayLog, HandsEachOutputAWindowAtATimeFromPagesOfTheLogInOrder) {
    constexpr int64_t kBacklog = 2500;
    CallLog log(path_, CallLog::Durability::ProcessSafe);
    {
        LogBatch backlog;
        for (int64_t id = 1; id <= kBacklog; ++id) {
            backlog.calls.push_back({{}, {{"mqtt", std::nullopt}, {"ncid", std::nullopt}}});
            backlog.calls.back().call.id = id;
        }
        backlog.hangUps.push_back({{backlog.calls[1199].call, 1, 2, 3}, {{"ncid", std::nullopt}}});
        log.write(backlog);
    }
    Gateway gateway(log, loop_, report_, {});
    RecordingOutput mqtt("mqtt", false);
    RecordingOutput ncid("ncid", true);
    gateway.addOutput(mqtt);
    gateway.addOutput(ncid);
    gateway.start();
    EXPECT_EQ(mqtt.handed.size(), OutputFeed::kWindow);

    size_t acknowledged = 0;
    while (acknowledged < mqtt.handed.size()) {
        const size_t handed = mqtt.handed.size();
        for (; acknowledged < handed; ++acknowledged) {
            gateway.delivered("mqtt", std::stoll(mqtt.handed[acknowledged]));
        }
        // Acknowledgements count against the window until they are written.
        EXPECT_EQ(mqtt.handed.size(), handed);
        loop_.runPosted();
        EXPECT_LE(mqtt.handed.size() - acknowledged, OutputFeed::kWindow);
    }
    std::vector<std::string> expected;
    for (int64_t id = 1; id <= kBacklog; ++id) expected.push_back(std::to_string(id));
    EXPECT_EQ(mqtt.handed, expected);
    EXPECT_TRUE(log.pendingCalls("mqtt", 0, 1).empty());

    reportCall(gateway, "0212345678");
    EXPECT_EQ(mqtt.handed.back(), std::to_string(kBacklog + 1));
    EXPECT_EQ(ncid.handed.size(), OutputFeed::kWindow);
    for (const std::string& item : ncid.handed) {
        gateway.delivered("ncid", std::stoll(item));
    }
    loop_.runPosted();
    expected.insert(expected.begin() + 1200, "end 1200");
    expected.resize(2 * OutputFeed::kWindow);
    EXPECT_EQ(ncid.handed, expected);
}

TEST_F(GatewayLog, CallsWaitInMemoryWhileTheLogFailsReachTheOutputsAndAreWrittenWithTheirStates) {
    OneOutputGateway fed(path_, loop_, report_);
    Gateway& gateway = fed.gateway;
    RecordingOutput& mqtt = fed.mqtt;
    {
        Database other(path_, Database::Mode::ReadWrite);
        Transaction holding(other);
        gateway.delivered("mqtt", 1);
        loop_.runPosted();
        reportCall(gateway, "02");
        reportCall(gateway, "03");
        gateway.delivered("mqtt", 2);
        EXPECT_EQ(mqtt.lastStatus.logFailure, "database is locked");
        for (size_t id = 4; id <= LogWriter::kMemoryBound + 2; ++id) reportCall(gateway, "04");
        loop_.runPosted();
        // Still failing: the retry waits for its alarm.
        loop_.fireAlarms();
    }
    // The calls in memory went to the output as far as its window allowed.
    EXPECT_EQ(mqtt.handed.size(), OutputFeed::kWindow + 1);
    EXPECT_EQ(mqtt.handed.back(), std::to_string(OutputFeed::kWindow + 1));
    EXPECT_NE(printed_.str().find("log failing: database is locked\n"), std::string::npos);
    EXPECT_NE(printed_.str().find("logging call 10002 failed:"), std::string::npos);
    EXPECT_EQ(printed_.str().find("log failing", printed_.str().find("log failing") + 1),
              std::string::npos);

    loop_.fireAlarms();
    EXPECT_NE(printed_.str().find("log recovered: 10000 calls written\n"), std::string::npos);
    EXPECT_EQ(mqtt.lastStatus.logFailure, std::nullopt);
    const auto logged = listCalls(path_, {});
    ASSERT_EQ(logged.size(), LogWriter::kMemoryBound + 1);
    EXPECT_EQ(logged.back().call.number, "01");
    EXPECT_TRUE(logged.back().deliveries.front().second.has_value());
    EXPECT_TRUE(logged[logged.size() - 2].deliveries.front().second.has_value());
    EXPECT_FALSE(logged[logged.size() - 3].deliveries.front().second.has_value());
    reportCall(gateway, "05");
    EXPECT_EQ(listCalls(path_, {}).front().call.id, 10003);
}

TEST_F(GatewayLog, WatchersAreToldOfTheCallsTheLogOrMemoryHoldsOnly) {
    CallLog log(path_, CallLog::Durability::ProcessSafe, std::chrono::milliseconds(5));
    Gateway gateway(log, loop_, report_, {});
    CountingWatcher watcher;
    gateway.addWatcher(watcher);
    gateway.start();
    {
        Database other(path_, Database::Mode::ReadWrite);
        Transaction holding(other);
        for (size_t id = 1; id <= LogWriter::kMemoryBound + 1; ++id) reportCall(gateway, "01");
    }
    EXPECT_NE(printed_.str().find("logging call 10001 failed:"), std::string::npos);
    EXPECT_EQ(watcher.calls, LogWriter::kMemoryBound);
    loop_.fireAlarms();
    EXPECT_EQ(listCalls(path_, {}).size(), LogWriter::kMemoryBound);
}

TEST_F(GatewayLog, StoredCallsThatNeitherTheLogNorMemoryHoldAreLoggedTogetherAfterThoseWaiting) {
    OneOutputGateway fed(path_, loop_, report_);
    Gateway& gateway = fed.gateway;
    RecordingOutput& mqtt = fed.mqtt;
    CidList list{};
    const std::array<const char16_t*, 4> numbers{u"02", u"01", u"02", u"03"};
    for (size_t i = 0; i < numbers.size(); ++i) {
        list[i].lMonth = i == 3 ? 13 : 3;  // the last one is no date
        list[i].lDay = 5;
        list[i].lNumber = numbers[i];
    }
    {
        Database other(path_, Database::Mode::ReadWrite);
        Transaction holding(other);
        reportCall(gateway, "02");
        // One "02" is waiting in memory: it accounts for one of the two listed.
        gateway.storedCallsListed(list, 4);
    }
    EXPECT_NE(printed_.str().find("backfill: 2 calls from the terminal's memory (4 listed)\n"),
              std::string::npos);
    EXPECT_EQ(mqtt.handed, (std::vector<std::string>{"1", "2", "3", "4"}));
    loop_.fireAlarms();
    const auto logged = listCalls(path_, {});
    ASSERT_EQ(logged.size(), 4u);
    EXPECT_EQ(logged[1].call.number, "02");
    EXPECT_EQ(logged[1].call.source, CallSource::Memory);
    EXPECT_EQ(logged[0].call.time, std::nullopt);
    EXPECT_EQ(logged[2].call.source, CallSource::Report);

    // Read again, the list adds nothing.
    gateway.storedCallsListed(list, 4);
    EXPECT_NE(printed_.str().find("backfill: 0 calls from the terminal's memory (4 listed)\n"),
              std::string::npos);
}

TEST_F(GatewayLog, StoredCallsOlderThanTheLogKeepsAreLeftOut) {
    CallLog log(path_, CallLog::Durability::ProcessSafe);
    GatewaySettings settings;
    settings.keepDays = std::chrono::days(30);
    Gateway gateway(log, loop_, report_, settings);
    gateway.start();
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    CidList list{};
    list[0].lMonth = static_cast<int16_t>((today.tm_mon + 10) % 12 + 1);  // two months ago
    list[0].lDay = 1;
    list[0].lNumber = u"01";
    list[1].lMonth = static_cast<int16_t>(today.tm_mon + 1);
    list[1].lDay = static_cast<int16_t>(today.tm_mday);
    list[1].lNumber = u"02";
    gateway.storedCallsListed(list, 2);
    const auto logged = listCalls(path_, {});
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].call.number, "02");
}

}  // namespace
}  // namespace velko::gateway
