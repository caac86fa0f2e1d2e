#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "gateway/log/call_log.h"
#include "gateway/log/call_search.h"
#include "gateway/log/log_backup.h"
#include "gateway/log/log_retention.h"

namespace velko::gateway {
namespace {

namespace fs = std::filesystem;

// A call log's pruning and backup on real SQLite files in a folder of the test's own.
class LogUpkeep : public ::testing::Test {
  protected:
    LogUpkeep()
        : folder_(fs::temp_directory_path() /
                  ("velko-upkeep-" +
                   std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()))),
          path_((fs::create_directories(folder_), folder_ / "calls.db").string()),
          log_(path_, CallLog::Durability::ProcessSafe) {}
    ~LogUpkeep() override { fs::remove_all(folder_); }

    // A call received at `received`, logged for the outputs.
    int64_t logCall(std::string received,
                    const std::vector<std::string>& outputs = {"mqtt", "ncid"}) {
        return addCall(log_, std::move(received), outputs);
    }
    static int64_t addCall(CallLog& log, std::string received,
                           const std::vector<std::string>& outputs) {
        LoggedCall logged;
        logged.call.id = log.lastCallId() + 1;
        logged.call.received = std::move(received);
        for (const std::string& output : outputs)
            logged.deliveries.emplace_back(output, std::nullopt);
        LogBatch batch;
        batch.calls.push_back(logged);
        log.write(batch);
        return logged.call.id;
    }
    // The logged call was answered; its end waits for NCID.
    void hangUp(int64_t id) {
        LogBatch batch;
        LoggedHangUp hangUp;
        hangUp.finished.call.id = id;
        hangUp.deliveries.emplace_back("ncid", std::nullopt);
        batch.hangUps.push_back(hangUp);
        log_.write(batch);
    }
    void acknowledge(int64_t id) {
        for (const char* output : {"mqtt", "ncid"}) delivered(id, output);
    }
    void delivered(int64_t id, const char* output, bool hangUp = false) {
        LogBatch batch;
        batch.acknowledgements.push_back({id, output, kLate, hangUp});
        log_.write(batch);
    }
    void hookChange(bool offHook, const char* received) {
        LogBatch batch;
        batch.hookChanges.push_back({offHook, "shop", received});
        log_.write(batch);
    }
    int64_t rows(const std::string& table) {
        Statement count(db_, "SELECT count(*) FROM " + table);
        count.step();
        return count.integer(0);
    }
    std::vector<int64_t> ids(const std::string& path) {
        std::vector<int64_t> result;
        for (const LoggedCall& logged : listCalls(path, {})) result.push_back(logged.call.id);
        return result;
    }

    static constexpr const char* kOld = "2026-01-01T00:00:00.000Z";
    static constexpr const char* kCut = "2026-02-01T00:00:00.000Z";
    static constexpr const char* kLate = "2026-03-01T00:00:00.000Z";
    fs::path folder_;
    std::string path_;
    CallLog log_;
    Database db_{path_, Database::Mode::ReadWrite};
};

TEST_F(LogUpkeep, PrunesOnlyOldCallsEveryOutputAcknowledgedWithTheirRowsAndKeepsTheNewest) {
    const int64_t acknowledged = logCall(kOld);
    acknowledge(acknowledged);
    const int64_t pendingForNcid = logCall(kOld);
    delivered(pendingForNcid, "mqtt");
    const int64_t hangUpPending = logCall(kOld);
    acknowledge(hangUpPending);
    hangUp(hangUpPending);
    const int64_t hangUpAcknowledged = logCall(kOld);
    acknowledge(hangUpAcknowledged);
    hangUp(hangUpAcknowledged);
    delivered(hangUpAcknowledged, "ncid", true);
    logCall(kOld, {});
    const int64_t recent = logCall(kLate);
    acknowledge(recent);
    const int64_t newestOld = logCall(kOld);
    acknowledge(newestOld);
    hookChange(true, kOld);
    hookChange(false, kLate);

    const PrunedRows pruned = pruneCallLog(db_, kCut);

    EXPECT_EQ(pruned.calls, 3);
    EXPECT_EQ(pruned.hookChanges, 1);
    EXPECT_EQ(ids(path_), (std::vector{newestOld, recent, hangUpPending, pendingForNcid}));
    EXPECT_EQ(rows("deliveries"), 8);
    EXPECT_EQ(rows("answered_calls"), 1);
    EXPECT_EQ(rows("hang_up_deliveries"), 1);
    EXPECT_EQ(rows("hook_changes"), 1);
    // The next call's id follows the newest one's, as if nothing had been deleted.
    EXPECT_EQ(logCall(kLate), newestOld + 1);
}

TEST_F(LogUpkeep, BacksUpAConsistentCopyWhileAnotherConnectionWrites) {
    std::atomic<int> written = 0;
    std::atomic<bool> stop = false;
    std::thread writer([this, &written, &stop] {
        CallLog other(path_, CallLog::Durability::ProcessSafe);
        while (!stop) {
            addCall(other, kLate, {"mqtt", "ncid"});
            ++written;
        }
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (written < 100 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    const std::string copy = (folder_ / "copy.db").string();
    backUpCallLog(path_, copy);
    stop = true;
    writer.join();

    // Every call in the copy came with both its deliveries, in one transaction.
    const std::vector<int64_t> copied = ids(copy);
    ASSERT_GE(copied.size(), 100U);
    EXPECT_EQ(copied.front(), static_cast<int64_t>(copied.size()));
    for (const LoggedCall& logged : listCalls(copy, {})) {
        EXPECT_EQ(logged.deliveries.size(), 2U) << "call " << logged.call.id;
    }
    EXPECT_EQ(fs::status(copy).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_THROW(backUpCallLog(path_, path_), DatabaseError);
}

// What a file holds, byte for byte, and its mode (as a number, which a failure shows in octal).
struct FileState {
    std::string bytes;
    unsigned mode = 0;

    explicit FileState(const fs::path& path)
        : bytes([&] {
              std::ifstream in(path, std::ios::binary);
              return std::string(std::istreambuf_iterator<char>(in), {});
          }()),
          mode(static_cast<unsigned>(fs::status(path).permissions() & fs::perms::all)) {}
};

void expectUnchanged(const fs::path& path, const FileState& before) {
    const FileState after(path);
    EXPECT_TRUE(after.bytes == before.bytes) << path << ": its bytes changed";
    EXPECT_EQ(after.mode, before.mode)
        << std::oct << path << ": mode " << after.mode << " instead of " << before.mode;
}

TEST_F(LogUpkeep, ABackupReplacesOnlyAnEmptyFileOrAnEarlierCopyAndChangesNothingWhenItFails) {
    using fs::perms;
    logCall(kLate);
    const fs::path copy = folder_ / "copy.db";
    const auto refused = [&](const fs::path& target) {
        const FileState before(target);
        EXPECT_THROW(backUpCallLog(path_, target.string()), DatabaseError) << target;
        expectUnchanged(target, before);
    };
    // Another program's private files: neither read by more people nor written.
    std::ofstream(copy) << "notes\n";
    fs::permissions(copy, perms::owner_read | perms::owner_write);
    refused(copy);
    fs::remove(copy);
    {
        Database other(copy.string(), Database::Mode::ReadWrite);
        other.execute("CREATE TABLE accounts (name TEXT)");
    }
    fs::permissions(copy, perms::owner_read | perms::owner_write);
    refused(copy);
    fs::remove(copy);
    EXPECT_THROW(backUpCallLog(path_, folder_.string()), DatabaseError);

    // An empty file, and then that earlier copy, are replaced; the mode never widens.
    std::ofstream{copy};
    fs::permissions(copy, perms::owner_read | perms::owner_write | perms::group_read |
                              perms::group_write | perms::others_read);
    backUpCallLog(path_, copy.string());
    EXPECT_EQ(ids(copy.string()), std::vector<int64_t>{1});
    EXPECT_EQ(FileState(copy).mode, 0640U);
    fs::permissions(copy, perms::owner_read | perms::owner_write);
    logCall(kLate);
    backUpCallLog(path_, copy.string());
    EXPECT_EQ(ids(copy.string()), (std::vector<int64_t>{2, 1}));
    EXPECT_EQ(FileState(copy).mode, 0600U);

    // A backup that fails leaves the earlier copy as it was: one that finds it locked by another
    // writer, and one from a file that is no call log.
    fs::permissions(copy, perms::owner_read | perms::owner_write | perms::others_read);
    logCall(kLate);
    {
        Database holder(copy.string(), Database::Mode::ReadWrite);
        holder.execute("BEGIN IMMEDIATE");
        refused(copy);
    }
    const fs::path notes = folder_ / "notes.txt";
    std::ofstream(notes) << "notes\n";
    const FileState before(copy);
    EXPECT_THROW(backUpCallLog(notes.string(), copy.string()), DatabaseError);
    expectUnchanged(copy, before);
    EXPECT_EQ(ids(copy.string()), (std::vector<int64_t>{2, 1}));
    // Nor does one leave a file it made.
    const fs::path fresh = folder_ / "fresh.db";
    EXPECT_THROW(backUpCallLog(notes.string(), fresh.string()), DatabaseError);
    EXPECT_FALSE(fs::exists(fresh));
}

}  // namespace
}  // namespace velko::gateway
