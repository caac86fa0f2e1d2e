#include "link/message_dispatch.h"

#include "control/message_window.h"
#include "control/runtime_error.h"
#include "link/frame_markers.h"

namespace velko {

namespace {

constexpr TextView kWholeBufferLabel = u"전체수신데이터:";
constexpr TextView kReportPositionLabel = u"s1:idx=";
constexpr TextView kDecodeFailureLabel = u"디코딩오류:";

Text reportPositionText(size_t position) {
    return Text(kReportPositionLabel) + decimalText(static_cast<long long>(position)) + Text(kCRLF);
}

// The buffer is cut before any event is raised, so that a notification handled from inside an
// event handler finds the message already marked as being decoded.
void decode(SharedState& state, _velko_foxpro& self, VelkoEvents& events, HeaderFound found) {
    const Text wholeBuffer(state.gRxData.view());
    state.gRxData.consumeFront(found.at + found.header.size());
    MessageScope scope(state);
    events.DebugMsg(Text(kWholeBufferLabel) + wholeBuffer);
    if (found.header == kReportHeader) events.DebugMsg(reportPositionText(found.at + 1));
    try {
        if (found.header == kResponseHeader) {
            self.ProcessResponse();
        } else {
            self.ProcessReport();
        }
    } catch (const RuntimeError& error) {
        clearPendingError();
        events.DebugMsg(Text(kDecodeFailureLabel) + decimalText(error.number()) + u" " +
                        error.description());
    }
    scope.dropRest();
}

void dropNoise(SharedState& state, VelkoEvents& events, size_t lastEndLine) {
    const Text wholeBuffer(state.gRxData.view());
    state.gRxData.consumeFront(lastEndLine + kEndLine.size());
    events.DebugMsg(Text(kWholeBufferLabel) + wholeBuffer);
    events.DebugMsg(reportPositionText(0));
}

}  // namespace

bool dispatchNextMessage(SharedState& state, _velko_foxpro& self, VelkoEvents& events) {
    const TextView buffer = state.gRxData.view();
    if (const auto found = firstHeader(buffer)) {
        const size_t bodyAt = found->at + found->header.size();
        if (buffer.find(kEndLine, bodyAt) == TextView::npos) return false;
        decode(state, self, events, *found);
        return true;
    }
    const size_t lastEndLine = buffer.rfind(kEndLine);
    if (lastEndLine == TextView::npos) return false;
    dropNoise(state, events, lastEndLine);
    return true;
}

}  // namespace velko
