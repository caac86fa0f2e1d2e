#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "control/events.h"

namespace velko::testing {

// One raised event: its name and its parameters as texts (numbers in decimal, Booleans as
// "True" or "False").
struct RecordedEvent {
    std::string name;
    std::vector<Text> params;

    bool operator==(const RecordedEvent&) const = default;
};

void PrintTo(const RecordedEvent& event, std::ostream* out);

// An event sink that records every event in the order raised. Lists of ReceiveGatheredInfo are
// kept whole in `lists`, one per event, and the whole calls the decoder reports in `calls`.
class RecordingSink final : public VelkoEvents {
  public:
    void DebugMsg(const Text& str) override;
    void ReceiveReal(const Text& str) override;
    void ReceiveCallByString(int16_t callState, Text& cidStrInfo) override;
    void ReceiveCall(int16_t callState, CID_INFO& cidInfo) override;
    void HookEvent(bool eventType) override;
    void ReceiveResponse(int16_t msgType, const Text& rst1, const Text& rst2,
                         const Text& rst3) override;
    void ReceiveGatheredInfo(int16_t& max, int16_t& kind, CidList& cidInfo) override;
    void callReported(const CallReport& report) override { calls.push_back(report); }

    // The events with this name, in order.
    std::vector<RecordedEvent> named(std::string_view name) const;
    // Parameter `index` of each event with this name, in order.
    std::vector<Text> params(std::string_view name, size_t index = 0) const;
    void clear();

    std::vector<RecordedEvent> events;
    std::vector<CidList> lists;
    std::vector<CallReport> calls;
    // Called after each event is recorded, to act from inside an event handler.
    std::function<void(const RecordedEvent&)> onEvent;

  private:
    void record(std::string name, std::vector<Text> params);
};

}  // namespace velko::testing
