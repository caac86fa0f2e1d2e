#include "link/receive_framing.h"

#include "link/message_dispatch.h"

namespace velko {

void receiveNotification(SharedState& state, SerialPort& port, _velko_foxpro& self,
                         VelkoEvents& events) {
    if (port.inBufferCount() < 1) return;
    const Text chunk = port.input();
    if (state.gRxData.append(chunk)) state.gAckReceived = true;
    events.ReceiveReal(chunk);
    // While a message is being decoded (this notification arrived through an event handler of
    // that decode), the messages wait for the decode to finish.
    while (!state.gRxData.readingMessage() && !state.gRxData.settled() &&
           dispatchNextMessage(state, self, events)) {
    }
}

}  // namespace velko
