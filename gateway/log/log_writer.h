#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "gateway/log/call_log.h"
#include "gateway/system/loop_access.h"

namespace velko::gateway {

// Writes the gateway's changes to the call log, and keeps them in memory while the log cannot
// take them (docs/call-log.md, "When the log fails"). A call, the end of an answered call and a
// hook change are written at once while the log works; acknowledgements are gathered and
// written together from a task on the loop. When a write (or a read) fails, everything it held
// waits in memory, in order, with the acknowledgements that arrive meanwhile, and a write is
// tried again after 1 s, then at doubling intervals up to 30 s. At most kMemoryBound calls, ends
// and hook changes wait; past that, new ones are not kept.
class LogWriter {
  public:
    static constexpr size_t kMemoryBound = 10000;

    class Listener {
      public:
        virtual ~Listener() = default;
        // A write failed (again, with another reason).
        virtual void logFailing(const std::string& reason) = 0;
        // A write succeeded after failures; calls is how many of those waiting it wrote.
        virtual void logRecovered(size_t calls) = 0;
        // Everything waiting was written: the log holds the acknowledgements told so far.
        virtual void written() = 0;
    };

    LogWriter(CallLog& log, LoopAccess& loop, Listener& listener);
    ~LogWriter();
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

    // Gives the call the next id and logs it with a pending delivery for each output; false
    // when it is not kept (past the bound of memory).
    bool addCall(Call& call, const std::vector<std::string>& outputs);
    // Likewise for calls that go into one transaction together, in the order given: all of
    // them, or none (past the bound of memory) and then none has an id.
    bool addCalls(std::vector<Call>& calls, const std::vector<std::string>& outputs);
    bool addHangUp(const FinishedCall& finished, const std::vector<std::string>& outputs);
    void addHookChange(const HookChange& change);
    void delivered(int64_t callId, std::string_view output, const std::string& when);
    void hangUpDelivered(int64_t callId, std::string_view output, const std::string& when);

    // The acknowledgements of the output that wait to be written.
    size_t unwrittenAcknowledgements(std::string_view output) const;
    // What is pending for the output after the id given, oldest first, at most limit: from the
    // log, then from memory. None when the log cannot be read (which counts as failing).
    std::optional<std::vector<Call>> pendingCalls(std::string_view output, int64_t afterId,
                                                  size_t limit);
    std::optional<std::vector<FinishedCall>> pendingHangUps(std::string_view output,
                                                            int64_t afterId, size_t limit);

    // The calls of the line at the times of the calls given (CallLog::callsAt), and the latest
    // time of a call of the line: in the log or waiting in memory. None when the log cannot be
    // read (which counts as failing).
    std::optional<std::vector<Call>> callsAt(const std::string& line,
                                             const std::vector<Call>& like);
    std::optional<std::optional<std::string>> newestCallTime(const std::string& line);

    bool failing() const { return failure_.has_value(); }
    // Writes what waits now; false when it could not (the failure is told).
    bool write();
    // How many calls wait in memory.
    size_t waitingCalls() const { return waiting_.calls.size(); }

  private:
    bool roomInMemory(size_t items) const;
    void acknowledge(int64_t callId, std::string_view output, const std::string& when, bool hangUp);
    // Something joined what waits: written now, or from a task on the loop, while the log
    // works; with the retry while it fails.
    void queued(bool now);
    void scheduleWrite();
    void failed(const std::string& reason);
    // What read returns, or none when the log cannot be read (the failure is told).
    template <typename Read>
    std::optional<std::invoke_result_t<Read>> readLog(Read read) {
        try {
            return std::optional<std::invoke_result_t<Read>>(std::in_place, read());
        } catch (const DatabaseError& error) {
            failed(error.reason());
            return std::nullopt;
        }
    }
    void recovered(size_t calls);
    void retryLater();

    CallLog& log_;
    LoopAccess& loop_;
    Listener& listener_;
    LogBatch waiting_;
    std::map<std::string, size_t, std::less<>> unwrittenAcknowledgements_;
    int64_t nextCallId_;
    // The highest call id the log holds: calls above it wait in memory or were not kept, and
    // so do the ends of answered calls above it.
    int64_t lastWrittenCall_;
    std::optional<std::string> failure_;
    std::chrono::milliseconds retryWait_;
    int retryAlarm_ = 0;
    bool writeScheduled_ = false;
    bool failedAgain_ = false;
};

}  // namespace velko::gateway
