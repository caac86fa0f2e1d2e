#include "control/events.h"

#include <algorithm>

namespace velko {

EventSource::Cookie EventSource::advise(VelkoEvents& sink) {
    const Cookie cookie = nextCookie_++;
    sinks_.emplace_back(cookie, &sink);
    return cookie;
}

bool EventSource::unadvise(Cookie cookie) {
    const auto found = std::find_if(sinks_.begin(), sinks_.end(),
                                    [cookie](const auto& entry) { return entry.first == cookie; });
    if (found == sinks_.end()) return false;
    sinks_.erase(found);
    return true;
}

template <typename Raise>
void EventSource::toSnapshotOfSinks(Raise raise) {
    // A sink may change the list while it handles the event: raise to a snapshot, skipping
    // sinks that were unadvised in the meantime.
    const auto snapshot = sinks_;
    for (const auto& [cookie, sink] : snapshot) {
        const bool stillAdvised = std::any_of(sinks_.begin(), sinks_.end(),
                                              [c = cookie](const auto& e) { return e.first == c; });
        if (stillAdvised) raise(*sink);
    }
}

void EventSource::DebugMsg(const Text& str) {
    toEachSink([&](VelkoEvents& sink) { sink.DebugMsg(str); });
}

void EventSource::ReceiveReal(const Text& str) {
    toEachSink([&](VelkoEvents& sink) { sink.ReceiveReal(str); });
}

void EventSource::ReceiveCallByString(int16_t callState, Text& cidStrInfo) {
    toEachSink([&](VelkoEvents& sink) {
        Text copy = cidStrInfo;
        sink.ReceiveCallByString(callState, copy);
    });
}

void EventSource::ReceiveCall(int16_t callState, CID_INFO& cidInfo) {
    toEachSink([&](VelkoEvents& sink) {
        CID_INFO copy = cidInfo;
        sink.ReceiveCall(callState, copy);
    });
}

void EventSource::HookEvent(bool eventType) {
    toEachSink([&](VelkoEvents& sink) { sink.HookEvent(eventType); });
}

void EventSource::ReceiveResponse(int16_t msgType, const Text& rst1, const Text& rst2,
                                  const Text& rst3) {
    toEachSink([&](VelkoEvents& sink) { sink.ReceiveResponse(msgType, rst1, rst2, rst3); });
}

void EventSource::ReceiveGatheredInfo(int16_t& max, int16_t& kind, CidList& cidInfo) {
    toEachSink([&](VelkoEvents& sink) {
        int16_t maxCopy = max;
        int16_t kindCopy = kind;
        CidList listCopy = cidInfo;
        sink.ReceiveGatheredInfo(maxCopy, kindCopy, listCopy);
    });
}

void EventSource::callReported(const CallReport& report) {
    toEachSink([&](VelkoEvents& sink) { sink.callReported(report); });
}

}  // namespace velko
