#pragma once

#include <cstdint>

#include "control/call_report.h"
#include "control/cid_info.h"
#include "control/events.h"

namespace velko {

// What a control last handed its hosts as records, kept for hosts that cannot read records (a
// FoxPro program, a script): the last call report and the last list. Advised to the control's
// own events before any host's sink, it has taken each one in by the time a host's handler
// runs, and keeps it until the next of its kind replaces it. Before the first, the call is
// empty (state 0, numbers 0, texts empty) and the list holds nothing (kind 0, count 0).
class LastReceived final : public VelkoEvents {
  public:
    void callReported(const CallReport& report) override { call_ = report; }
    void ReceiveGatheredInfo(int16_t& max, int16_t& kind, CidList& cidInfo) override;

    const CallReport& call() const { return call_; }
    int16_t listKind() const { return listKind_; }
    int16_t listCount() const { return listCount_; }
    // Entry `index` of the last list, counted from 1 to listCount(); any other index raises
    // run-time error 9 (subscript out of range).
    const CID_INFO& listEntry(int16_t index) const;

  private:
    CallReport call_;
    int16_t listKind_ = 0;
    int16_t listCount_ = 0;
    CidList list_;
};

}  // namespace velko
