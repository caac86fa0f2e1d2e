#pragma once

#include <memory>

#include "control/events.h"
#include "control/velko_interface.h"
#include "link/platform.h"

namespace velko {

// The control. It holds no state of its own (all of it lives in the thread's shared state):
// only its two child components, the serial port and the acknowledgement timer, the connection
// point of its events, and the thread's message loop it waits in.
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

  private:
    void mscVelkoPort_OnComm();
    void timerVelkoSync_Timer();

    MessageLoop& loop_;
    std::unique_ptr<SerialPort> mscVelkoPort_;
    std::unique_ptr<Timer> timerVelkoSync_;
    EventSource events_;
};

}  // namespace velko
