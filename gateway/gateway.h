#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "control/call_report.h"
#include "gateway/calls/line_watcher.h"
#include "gateway/log/call_log.h"
#include "gateway/log/log_writer.h"
#include "gateway/outputs/output.h"
#include "gateway/outputs/output_feed.h"
#include "gateway/report_printer.h"
#include "gateway/system/loop_access.h"
#include "gateway/terminal/terminal_clock.h"

namespace velko::gateway {

struct GatewaySettings {
    std::string line = "velko";
    // How long the line counts as ringing after a call report when nobody lifts the receiver.
    std::chrono::milliseconds ringingTime{30000};
    // Tells the service manager the state of the log in a few words; may be empty.
    std::function<void(const std::string&)> serviceStatus;
    // How long the log keeps calls (--keep-days): calls in the terminal's memory older than that
    // are not logged again, as they would be pruned at once.
    std::optional<std::chrono::days> keepDays;
};

// The heart of the service, on the control's thread: each caller report becomes a call in the
// log, committed, and only then goes to every output; each acknowledgement an output reports
// is written back to the log. While the log fails, calls wait in memory and go to the outputs
// all the same (LogWriter). It also keeps the line's status (terminal connected, hook, ringing,
// the log failing) for the outputs and logs hook changes.
class Gateway final : public OutputEvents, private LogWriter::Listener {
  public:
    Gateway(CallLog& log, LoopAccess& loop, ReportPrinter& report, GatewaySettings settings);
    ~Gateway() override;
    Gateway(const Gateway&) = delete;
    Gateway& operator=(const Gateway&) = delete;

    // Adds an output before start.
    void addOutput(Output& output);
    // Adds a watcher of the line (the board), told of each logged call and each change.
    void addWatcher(LineWatcher& watcher);
    // The outputs' names, in the order they were added.
    const std::vector<std::string>& outputNames() const { return outputNames_; }
    // Hands every output what the log still holds undelivered for it, oldest first: the calls,
    // and the ends of answered calls, each after its call (OutputFeed).
    void start();
    // Once the outputs have stopped: writes what waits in memory; false when the log failed and
    // it is lost.
    bool finish();

    void callReported(const CallReport& report);
    // The terminal's stored-call list was read (MemoryReader): the calls the log lacks are logged
    // with source memory and delivered (the rules are stored_calls.h's); what it added is told,
    // and a possible gap.
    void storedCallsListed(const CidList& list, int count);
    void backfillFailed(const std::string& reason);
    void hookChanged(bool offHook);
    void terminalChanged(bool connected, const std::string& reason);

    void delivered(std::string_view output, int64_t callId) override;
    void hangUpDelivered(std::string_view output, int64_t callId) override;
    void connectionChanged(std::string_view output, bool up, const std::string& reason) override;

  private:
    void logFailing(const std::string& reason) override;
    void logRecovered(size_t calls) override;
    void written() override;

    Call logged(const CallReport& report);
    // Tells every output's feed that something new is pending, and tops it up.
    void handAdded();
    void acknowledged(std::string_view output);
    void setRinging(bool ringing);
    void publishStatus();

    void checkClock(const Call& call, std::chrono::system_clock::time_point received);

    LoopAccess& loop_;
    ReportPrinter& report_;
    GatewaySettings settings_;
    LogWriter writer_;
    std::vector<std::unique_ptr<OutputFeed>> feeds_;
    std::vector<LineWatcher*> watchers_;
    std::vector<std::string> outputNames_;
    std::vector<std::string> hangUpOutputNames_;
    LineStatus status_;
    std::optional<Call> ringingCall_;
    std::time_t ringingSince_ = 0;
    std::optional<FinishedCall> answeredCall_;
    int ringingAlarm_ = 0;
    TerminalClockCheck clockCheck_;
};

}  // namespace velko::gateway
