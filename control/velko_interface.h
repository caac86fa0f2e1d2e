#pragma once

#include <cstdint>

#include "control/text.h"

namespace velko {

// The dual interface _velko_foxpro: the control's methods in slot order, the twelve it always
// had, then those that read the last call report and the last list field by field (see
// control/last_received.h). Parameters the interface passes by reference are references here;
// an omitted optional parameter is passed as an empty text. Booleans are automation Booleans at
// the interface's edge (True -1).
class _velko_foxpro {
  public:
    virtual ~_velko_foxpro() = default;

    virtual int16_t OpenVelko(Text& pPortName, Text& errorStr) = 0;
    virtual int16_t CloseVelko(Text& portName, Text& errorStr) = 0;
    virtual bool ComPortStateGet() = 0;
    virtual bool SendCmd(uint8_t& cmd, Text& para1, Text& para2, Text& para3) = 0;
    virtual void TxData(Text& data) = 0;
    virtual Text GetCurrentErrorMsg() = 0;
    virtual void EventTest(Text& str) = 0;
    virtual void ProcessReport() = 0;
    virtual Text GetInformationWithIndicator(Text title) = 0;
    virtual Text GetInformationWithoutIndicator() = 0;
    virtual void EndMessageDiscard() = 0;
    virtual void ProcessResponse() = 0;

    // The last call report: ReceiveCallByString's callState, then the fields of its CID_INFO.
    virtual int16_t LastCallState() = 0;
    virtual int16_t LastCallMonth() = 0;
    virtual int16_t LastCallDay() = 0;
    virtual int16_t LastCallHour() = 0;
    virtual int16_t LastCallMin() = 0;
    virtual Text LastCallNumber() = 0;
    virtual Text LastCallName() = 0;
    virtual int16_t LastCallGroup() = 0;
    virtual Text LastCallTelType() = 0;

    // The last list: ReceiveGatheredInfo's kind and max, then the fields of its entry `index`,
    // counted from 1 to LastListCount().
    virtual int16_t LastListKind() = 0;
    virtual int16_t LastListCount() = 0;
    virtual int16_t LastListMonth(int16_t index) = 0;
    virtual int16_t LastListDay(int16_t index) = 0;
    virtual int16_t LastListHour(int16_t index) = 0;
    virtual int16_t LastListMin(int16_t index) = 0;
    virtual Text LastListNumber(int16_t index) = 0;
    virtual Text LastListName(int16_t index) = 0;
    virtual int16_t LastListGroup(int16_t index) = 0;
    virtual Text LastListTelType(int16_t index) = 0;
};

}  // namespace velko
