#include "commands/send_cmd.h"

#include "commands/command_frame.h"
#include "commands/command_parameters.h"
#include "control/runtime_error.h"
#include "link/ack_wait.h"

namespace velko {

namespace {

constexpr TextView kPortClosedMessage = u"통신 포트가 OPEN 되지 않았습니다.";
constexpr TextView kNoAckMessage = u"VELKO 단말기와 통신이 안됨";

}  // namespace

bool sendCmd(SharedState& state, SerialPort& port, Timer& timer, MessageLoop& loop,
             VelkoEvents& events, uint8_t& cmd, Text& para1, Text& para2, Text& para3) {
    try {
        if (!port.portOpen()) {
            state.gErrorMsg = Text(kPortClosedMessage);
            return false;
        }
        if (!prepareParameters(state, events, cmd, para1, para2)) return false;
        port.setOutput(Text(kCommandOpening));
        const bool acknowledged = waitForAck(state, timer, loop, port);
        if (!port.portOpen()) {
            state.gErrorMsg = Text(kPortClosedMessage);
            return false;
        }
        if (!acknowledged) {
            state.gErrorMsg = Text(kNoAckMessage);
            return false;
        }
        port.setOutput(commandBody(cmd, para1, para2, para3));
        return true;
    } catch (const RuntimeError&) {
        clearPendingError();
        // A write that found the device gone has closed the port.
        if (!port.portOpen()) state.gErrorMsg = Text(kPortClosedMessage);
        return false;
    }
}

}  // namespace velko
