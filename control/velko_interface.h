#pragma once

#include <cstdint>

#include "control/text.h"

namespace velko {

// The dual interface _velko_foxpro: the control's twelve methods in slot order. Parameters the
// interface passes by reference are references here; an omitted optional parameter is passed
// as an empty text. Booleans are automation Booleans at the interface's edge (True -1).
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
};

}  // namespace velko
