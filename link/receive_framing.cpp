#include "link/receive_framing.h"

#include <algorithm>

#include "control/message_window.h"
#include "link/frame_markers.h"
#include "link/message_dispatch.h"

namespace velko {

namespace {

constexpr TextView kAcknowledgement = u"ACK";
constexpr TextView kBufferDropLabel = u"수신버퍼초과삭제:";

// Looks for "ACK" only in what has just arrived, joined to the last characters received before
// it, so an acknowledgement counts once and one split across two reads is still found.
void noteAcknowledgement(SharedState& state, TextView chunk) {
    Text scanned = state.ackScanTail + Text(chunk);
    if (scanned.find(kAcknowledgement) != TextView::npos) state.gAckReceived = true;
    const size_t kept = std::min(scanned.size(), kAcknowledgement.size() - 1);
    state.ackScanTail = scanned.substr(scanned.size() - kept);
}

// Keeps the buffer within the positions the control can hold: drops text from its front,
// through to the first header that still fits when there is one, or else all but the last
// characters, which may be the start of a header. Returns how many characters were dropped.
size_t keepWithinLimit(RxBuffer& buffer) {
    if (buffer.size() <= kLastHeldPosition) return 0;
    const size_t excess = buffer.size() - kLastHeldPosition;
    const auto header = firstHeader(buffer.view(), excess);
    const size_t drop = header ? header->at : buffer.size() - (kResponseHeader.size() - 1);
    buffer.consumeFront(drop);
    return drop;
}

}  // namespace

void receiveNotification(SharedState& state, SerialPort& port, _velko_foxpro& self,
                         VelkoEvents& events) {
    if (port.inBufferCount() < 1) return;
    const Text chunk = port.input();
    state.gRxData.append(chunk);
    const size_t dropped = keepWithinLimit(state.gRxData);
    noteAcknowledgement(state, chunk);

    events.ReceiveReal(chunk);
    if (dropped > 0) {
        events.DebugMsg(Text(kBufferDropLabel) + decimalText(static_cast<long long>(dropped)));
    }
    // While a message is being decoded (this notification arrived through an event handler of
    // that decode), the messages wait for the decode to finish.
    while (!state.messageEnd && dispatchNextMessage(state, self, events)) {
    }
}

}  // namespace velko
