#include "link/port_management.h"

#include "control/conversions.h"
#include "control/runtime_error.h"

namespace velko {

namespace {

// The port number is read from the characters after the third, whatever the first three are.
int16_t portNumberOf(const Text& portName) {
    if (portName.size() < 3) raiseInvalidArgument();
    return numericField(TextView(portName).substr(3));
}

}  // namespace

int16_t openVelko(SharedState& state, SerialPort& port, const Text& pPortName, Text& errorStr) {
    fillLookupTables(state);
    try {
        const int16_t portNumber = portNumberOf(pPortName);
        if (port.portOpen()) {
            errorStr = pPortName + u"이 이미 열려 있슴";
            return open_result::kAlreadyOpen;
        }
        state.gPortNo = portNumber;
        port.setCommPort(state.gPortNo);
        port.setSettings(u"9600,n,8,1");
        port.setHandshaking(0);
        port.setRThreshold(1);
        port.setPortOpen(true);
        return open_result::kOpened;
    } catch (const RuntimeError&) {
        errorStr = pPortName + u" open error";
        state.gErrorMsg = errorStr;
        clearPendingError();
        return open_result::kFailed;
    }
}

// Closing a port that reads closed still reaches the component: one that opens its device
// again by itself stops doing so.
int16_t closeVelko(SerialPort& port) {
    port.setPortOpen(false);
    return 0;
}

bool comPortStateGet(SerialPort& port) { return port.portOpen(); }

void txData(SerialPort& port, const Text& data) { port.setOutput(data); }

}  // namespace velko
