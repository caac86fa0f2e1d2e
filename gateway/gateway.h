#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "control/cid_info.h"
#include "gateway/call_log.h"
#include "gateway/line_watcher.h"
#include "gateway/loop_access.h"
#include "gateway/output.h"
#include "gateway/report_printer.h"

namespace velko::gateway {

struct GatewaySettings {
    std::string line = "velko";
    // How long the line counts as ringing after a call report when nobody lifts the receiver.
    std::chrono::milliseconds ringingTime{30000};
};

// The heart of the service, on the control's thread: each caller report becomes a call in the
// log, committed, and only then goes to every output; each acknowledgement an output reports
// is written back to the log. It also keeps the line's status (terminal connected, hook,
// ringing) for the outputs and logs hook changes.
class Gateway final : public OutputEvents {
  public:
    Gateway(CallLog& log, LoopAccess& loop, ReportPrinter& report, GatewaySettings settings);
    ~Gateway() override;
    Gateway(const Gateway&) = delete;
    Gateway& operator=(const Gateway&) = delete;

    // Adds an output before start.
    void addOutput(Output& output);
    // Adds a watcher of the line (the board), told of each logged call and each change.
    void addWatcher(LineWatcher& watcher);
    // Hands every output what the log still holds undelivered for it, oldest first: the calls,
    // and the ends of answered calls, each after its call.
    void start();

    void callReported(int16_t callState, const CID_INFO& report);
    void hookChanged(bool offHook);
    void terminalChanged(bool connected, const std::string& reason);

    void delivered(std::string_view output, int64_t callId) override;
    void hangUpDelivered(std::string_view output, int64_t callId) override;
    void connectionChanged(std::string_view output, bool up, const std::string& reason) override;

  private:
    Call logged(int16_t callState, const CID_INFO& report);
    void setRinging(bool ringing);
    void publishStatus();

    CallLog& log_;
    LoopAccess& loop_;
    ReportPrinter& report_;
    GatewaySettings settings_;
    std::vector<Output*> outputs_;
    std::vector<LineWatcher*> watchers_;
    std::vector<std::string> outputNames_;
    std::vector<std::string> hangUpOutputNames_;
    LineStatus status_;
    std::optional<Call> ringingCall_;
    std::time_t ringingSince_ = 0;
    std::optional<FinishedCall> answeredCall_;
    int ringingAlarm_ = 0;
};

}  // namespace velko::gateway
