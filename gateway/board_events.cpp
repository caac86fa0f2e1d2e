#include "gateway/board_events.h"

#include "gateway/board_api.h"
#include "gateway/log_listing.h"

namespace velko::gateway {

namespace {

// How soon a browser reconnects after losing the stream.
constexpr const char* kRetry = "retry: 1000\n\n";

std::string event(const char* name, int64_t id, const std::string& data) {
    return std::string("event: ") + name + "\nid: " + std::to_string(id) + "\ndata: " + data +
           "\n\n";
}

}  // namespace

EventStream::EventStream(std::string logPath, const BoardBroadcast& broadcast,
                         std::optional<int64_t> lastSeen)
    : logPath_(std::move(logPath)), broadcast_(broadcast), cursor_(lastSeen) {}

EventStream::~EventStream() = default;

std::string EventStream::replay() {
    if (!db_) db_ = openLogForReading(logPath_);
    Statement query(*db_, callsAfterSql());
    query.bind(1, cursor_.value_or(0));
    std::string text;
    for (const LoggedCall& logged : withDeliveries(*db_, query)) {
        cursor_ = logged.call.id;
        text += event("call", logged.call.id, jsonText(loggedCallJson(logged)));
    }
    return text;
}

std::optional<std::string> EventStream::next(std::chrono::milliseconds wait) {
    std::string text = started_ ? "" : kRetry;
    started_ = true;
    if (!sequence_) {
        std::string missed;
        const auto start = broadcast_.joinAfter(cursor_);
        if (!start) missed = replay();
        if (!missed.empty()) return text + missed;
        const auto join = start ? start : broadcast_.joinAfter(cursor_, true);
        sequence_ = join->sequence;
        cursor_ = join->lastCallId;
        db_.reset();
        return text + event("state", *cursor_, join->state);
    }
    const BoardBroadcast::Read read = broadcast_.read(*sequence_, wait);
    if (read.closed && read.events.empty()) return std::nullopt;
    if (read.lost) {
        sequence_.reset();
        return next(wait);
    }
    for (const BoardEvent& each : read.events) {
        sequence_ = each.sequence + 1;
        if (each.callId != 0) cursor_ = each.callId;
        text += event(each.callId != 0 ? "call" : "state", cursor_.value_or(0), *each.data);
    }
    return text.empty() ? ":\n\n" : text;
}

}  // namespace velko::gateway
