#include "gateway/board/board_events.h"

#include <algorithm>

#include "gateway/board/board_api.h"

namespace velko::gateway {

namespace {

// How soon a browser reconnects after losing the stream.
constexpr const char* kRetry = "retry: 1000\n\n";
constexpr const char* kComment = ":\n\n";

std::string event(const char* name, int64_t id, const std::string& data) {
    return std::string("event: ") + name + "\nid: " + std::to_string(id) + "\ndata: " + data +
           "\n\n";
}

}  // namespace

EventStream::EventStream(std::string logPath, const BoardBroadcast& broadcast, BoardReport& report,
                         std::optional<int64_t> lastSeen)
    : logPath_(std::move(logPath)), broadcast_(broadcast), report_(report), cursor_(lastSeen) {}

EventStream::~EventStream() = default;

std::string EventStream::logCondition(bool readable) {
    if (readable != toldUnreadable_) return "";
    toldUnreadable_ = !readable;
    // No id: the browser's last id stays the last call's.
    return std::string("event: log\ndata: ") +
           (readable ? R"({"readable":true})"
                     : R"({"readable":false,"error":"the call log cannot be read"})") +
           "\n\n";
}

std::string EventStream::replay() {
    if (!db_) db_ = openLogForReading(logPath_);
    Statement query(*db_, callsAfterSql());
    query.bind(1, *cursor_);
    const std::vector<LoggedCall> calls = withDeliveries(*db_, query);
    // An id beyond every logged call was seen in another log, or made up: the stream starts as
    // a new one.
    if (calls.empty() && *cursor_ > newestCallId(*db_)) cursor_.reset();
    std::string text;
    for (const LoggedCall& logged : calls) {
        cursor_ = logged.call.id;
        text += event("call", logged.call.id, jsonText(boardCallJson(logged)));
    }
    return text;
}

std::string EventStream::catchUp() {
    std::optional<BoardBroadcast::Start> start = broadcast_.joinAfter(cursor_);
    if (!start && cursor_) {
        std::string missed;
        try {
            missed = replay();
        } catch (const DatabaseError& error) {
            report_.requestFailed("/api/events", error.reason());
            db_.reset();
            retryAfter_ =
                retryAfter_ ? std::min(*retryAfter_ * 2, kBoardLongestRetry) : kBoardFirstRetry;
            return logCondition(false);
        }
        retryAfter_.reset();
        if (!missed.empty()) return missed;
        start = broadcast_.joinAfter(cursor_, true);
    }
    if (!start) {
        // The broadcast has not read the log yet: it says when it has.
        retryAfter_ = kBoardFirstRetry;
        return logCondition(false);
    }
    retryAfter_.reset();
    sequence_ = start->sequence;
    cursor_ = start->lastCallId;
    db_.reset();
    return event("state", *cursor_, start->state) + logCondition(start->logReadable);
}

std::string EventStream::followed(const std::vector<BoardEvent>& events) {
    std::string text;
    for (const BoardEvent& each : events) {
        sequence_ = each.sequence + 1;
        switch (each.kind) {
            case BoardEvent::Kind::Call:
                // A call the stream read from the log before the broadcast did is sent once.
                if (cursor_ && each.callId <= *cursor_) break;
                cursor_ = each.callId;
                text += event("call", each.callId, *each.data);
                break;
            case BoardEvent::Kind::State:
                text += event("state", cursor_.value_or(0), *each.data);
                break;
            case BoardEvent::Kind::Log:
                text += logCondition(each.logReadable);
                break;
        }
    }
    return text;
}

// Each step either follows the broadcast or catches up with it from the log; a stream that
// falls further behind than the broadcast's ring holds catches up again.
std::optional<std::string> EventStream::next(std::chrono::milliseconds wait) {
    std::string text = started_ ? "" : kRetry;
    started_ = true;
    if (sequence_) {
        const BoardBroadcast::Read read = broadcast_.read(*sequence_, wait);
        if (read.closed && read.events.empty()) return std::nullopt;
        if (read.lost) {
            sequence_.reset();
        } else {
            text += followed(read.events);
        }
    }
    if (!sequence_) {
        // After a failure to read the log, a pause before it is read again.
        if (retryAfter_ && !broadcast_.pause(std::min(*retryAfter_, wait))) return std::nullopt;
        text += catchUp();
    }
    return text.empty() ? kComment : text;
}

}  // namespace velko::gateway
