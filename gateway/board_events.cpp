#include "gateway/board_events.h"

#include "gateway/board_api.h"
#include "gateway/log_listing.h"

namespace velko::gateway {

namespace {

// Calls read from the log at a time, so that a long replay goes out in pieces.
constexpr int64_t kBatch = 200;
// How soon a browser reconnects after losing the stream.
constexpr const char* kRetry = "retry: 1000\n\n";

std::string event(const char* name, int64_t id, const std::string& data) {
    return std::string("event: ") + name + "\nid: " + std::to_string(id) + "\ndata: " + data +
           "\n\n";
}

}  // namespace

EventStream::EventStream(const std::string& logPath, const BoardFeed& feed,
                         std::optional<int64_t> lastSeen)
    : db_(openLogForReading(logPath)), feed_(feed) {
    if (lastSeen) {
        cursor_ = *lastSeen;
        return;
    }
    Statement newest(*db_, "SELECT coalesce(max(id), 0) FROM calls");
    newest.step();
    cursor_ = newest.integer(0);
}

EventStream::~EventStream() = default;

std::string EventStream::callsAfterCursor() {
    Statement query(*db_, std::string("SELECT ") + kCallColumns +
                              " FROM calls WHERE calls.id > ? ORDER BY calls.id LIMIT ?");
    query.bind(1, cursor_).bind(2, kBatch);
    const std::vector<LoggedCall> calls = withDeliveries(*db_, query);
    behind_ = static_cast<int64_t>(calls.size()) == kBatch;
    std::string text;
    for (const LoggedCall& logged : calls) {
        cursor_ = logged.call.id;
        text += event("call", cursor_, jsonText(loggedCallJson(logged)));
    }
    return text;
}

std::optional<std::string> EventStream::next(std::chrono::milliseconds wait) {
    std::string text;
    LineSnapshot line;
    if (!started_) {
        started_ = true;
        text = kRetry;
        line = feed_.snapshot();
    } else if (behind_) {
        line = feed_.snapshot();
    } else {
        line = feed_.waitChange(versionSent_.value_or(0), wait);
    }
    if (line.closed) return std::nullopt;
    text += callsAfterCursor();
    // The state follows the calls it may name as the last one.
    if (!behind_ && line.version != versionSent_) {
        text += event("state", cursor_, stateJson(*db_, line));
        versionSent_ = line.version;
    }
    if (text.empty()) text = ":\n\n";
    return text;
}

}  // namespace velko::gateway
