#include "link/message_dispatch.h"

#include "control/runtime_error.h"

namespace velko {

namespace {

constexpr TextView kWholeBufferLabel = u"전체수신데이터:";
constexpr TextView kReportPositionLabel = u"s1:idx=";
constexpr TextView kDecodeFailureLabel = u"디코딩오류:";
constexpr TextView kBufferDropLabel = u"수신버퍼초과삭제:";

Text reportPositionText(size_t position) {
    return Text(kReportPositionLabel) + decimalText(static_cast<long long>(position)) + Text(kCRLF);
}

// The buffer from its front through the end line of what is handed on: the messages waiting
// behind it are not part of it.
Text shownText(const RxBuffer& buffer, const Frame& frame) {
    return labelled(kWholeBufferLabel, buffer.view().substr(0, frame.end));
}

// The buffer is cut before any event is raised, so that a notification handled from inside an
// event handler finds the message already marked as being decoded.
void decode(SharedState& state, _velko_foxpro& self, VelkoEvents& events, const Frame& frame) {
    RxBuffer& buffer = state.gRxData;
    const Text shown = shownText(buffer, frame);
    buffer.consumeFront(frame.headerAt + frame.header.size());
    MessageScope scope(buffer);
    events.DebugMsg(shown);
    if (frame.header == kReportHeader) events.DebugMsg(reportPositionText(frame.headerAt + 1));
    try {
        if (frame.header == kResponseHeader) {
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

void dropNoise(SharedState& state, VelkoEvents& events, const Frame& frame) {
    const Text shown = shownText(state.gRxData, frame);
    state.gRxData.consumeFront(frame.end);
    events.DebugMsg(shown);
    events.DebugMsg(reportPositionText(0));
}

}  // namespace

bool dispatchNextMessage(SharedState& state, _velko_foxpro& self, VelkoEvents& events) {
    if (const size_t dropped = state.gRxData.keepWithinBound()) {
        events.DebugMsg(Text(kBufferDropLabel) + decimalText(static_cast<long long>(dropped)));
    }
    const auto frame = state.gRxData.nextFrame();
    if (!frame) return false;
    if (frame->header.empty()) {
        dropNoise(state, events, *frame);
    } else {
        decode(state, self, events, *frame);
    }
    return true;
}

}  // namespace velko
