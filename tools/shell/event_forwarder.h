#pragma once

#include "control/events.h"
#include "tools/shell/output.h"

namespace velko::shell {

// A sink of the control's events that reports each one, and each whole call, to the shell's
// output.
class EventForwarder final : public VelkoEvents {
  public:
    explicit EventForwarder(ShellOutput& output) : output_(output) {}

    void DebugMsg(const Text& str) override;
    void ReceiveReal(const Text& str) override;
    void ReceiveCallByString(int16_t callState, Text& cidStrInfo) override;
    void ReceiveCall(int16_t callState, CID_INFO& cidInfo) override;
    void HookEvent(bool eventType) override;
    void ReceiveResponse(int16_t msgType, const Text& rst1, const Text& rst2,
                         const Text& rst3) override;
    void ReceiveGatheredInfo(int16_t& max, int16_t& kind, CidList& cidInfo) override;
    void callReported(const CallReport& report) override { output_.callReported(report); }

  private:
    void forward(int32_t dispid, std::initializer_list<Value> params);

    ShellOutput& output_;
};

}  // namespace velko::shell
