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
    virtual int16_t CallState() = 0;
    virtual int16_t CallMonth() = 0;
    virtual int16_t CallDay() = 0;
    virtual int16_t CallHour() = 0;
    virtual int16_t CallMin() = 0;
    virtual Text CallNumber() = 0;
    virtual Text CallName() = 0;
    virtual int16_t CallGroup() = 0;
    virtual Text CallTelType() = 0;

    // The last list: ReceiveGatheredInfo's kind and max, then the fields of its entry `index`,
    // counted from 1 to ListCount().
    virtual int16_t ListKind() = 0;
    virtual int16_t ListCount() = 0;
    virtual int16_t ListMonth(int16_t index) = 0;
    virtual int16_t ListDay(int16_t index) = 0;
    virtual int16_t ListHour(int16_t index) = 0;
    virtual int16_t ListMin(int16_t index) = 0;
    virtual Text ListNumber(int16_t index) = 0;
    virtual Text ListName(int16_t index) = 0;
    virtual int16_t ListGroup(int16_t index) = 0;
    virtual Text ListTelType(int16_t index) = 0;
};

}  // namespace velko
