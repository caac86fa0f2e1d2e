#pragma once

#include <memory>

#include "control/events.h"
#include "control/last_received.h"
#include "control/velko_interface.h"
#include "link/platform.h"

namespace velko {

// The control. It holds no state of its own (all of it lives in the thread's shared state):
// only its two child components, the serial port and the acknowledgement timer, the connection
// point of its events, the thread's message loop it waits in, and the last call report and list
// it raised, which its Call and List members read.
class velko_foxpro final : public _velko_foxpro {
  public:
    explicit velko_foxpro(Platform& platform);
    ~velko_foxpro() override;
    velko_foxpro(const velko_foxpro&) = delete;
    velko_foxpro& operator=(const velko_foxpro&) = delete;

    EventSource& events() { return events_; }
    Timer& timerVelkoSync() { return *timerVelkoSync_; }

    int16_t OpenVelko(Text& pPortName, Text& errorStr) override;
    int16_t CloseVelko(Text& portName, Text& errorStr) override;
    bool ComPortStateGet() override;
    bool SendCmd(uint8_t& cmd, Text& para1, Text& para2, Text& para3) override;
    void TxData(Text& data) override;
    Text GetCurrentErrorMsg() override;
    void EventTest(Text& str) override;
    void ProcessReport() override;
    Text GetInformationWithIndicator(Text title) override;
    Text GetInformationWithoutIndicator() override;
    void EndMessageDiscard() override;
    void ProcessResponse() override;

    int16_t LastCallState() override;
    int16_t LastCallMonth() override;
    int16_t LastCallDay() override;
    int16_t LastCallHour() override;
    int16_t LastCallMin() override;
    Text LastCallNumber() override;
    Text LastCallName() override;
    int16_t LastCallGroup() override;
    Text LastCallTelType() override;
    int16_t LastListKind() override;
    int16_t LastListCount() override;
    int16_t LastListMonth(int16_t index) override;
    int16_t LastListDay(int16_t index) override;
    int16_t LastListHour(int16_t index) override;
    int16_t LastListMin(int16_t index) override;
    Text LastListNumber(int16_t index) override;
    Text LastListName(int16_t index) override;
    int16_t LastListGroup(int16_t index) override;
    Text LastListTelType(int16_t index) override;

  private:
    void mscVelkoPort_OnComm();
    void timerVelkoSync_Timer();

    MessageLoop& loop_;
    std::unique_ptr<SerialPort> mscVelkoPort_;
    std::unique_ptr<Timer> timerVelkoSync_;
    EventSource events_;
    LastReceived received_;
};

}  // namespace velko
