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

    int16_t CallState() override;
    int16_t CallMonth() override;
    int16_t CallDay() override;
    int16_t CallHour() override;
    int16_t CallMin() override;
    Text CallNumber() override;
    Text CallName() override;
    int16_t CallGroup() override;
    Text CallTelType() override;
    int16_t ListKind() override;
    int16_t ListCount() override;
    int16_t ListMonth(int16_t index) override;
    int16_t ListDay(int16_t index) override;
    int16_t ListHour(int16_t index) override;
    int16_t ListMin(int16_t index) override;
    Text ListNumber(int16_t index) override;
    Text ListName(int16_t index) override;
    int16_t ListGroup(int16_t index) override;
    Text ListTelType(int16_t index) override;

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
