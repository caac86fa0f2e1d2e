#include "gateway/board_broadcast.h"

#include "gateway/board_api.h"
#include "gateway/log_listing.h"

namespace velko::gateway {

namespace {

// How often the log is read even when the feed tells of nothing: calls that reached the log
// later (when it could not commit at once) appear within this time.
constexpr std::chrono::seconds kPoll{1};
// Events a stream takes at a time.
constexpr size_t kReadMost = 256;

// A statement left on a row would hold its read transaction, and the connection would see the
// log as it was then: the statement ends here.
int64_t newestCallId(const Database& db) {
    Statement newest(db, "SELECT coalesce(max(id), 0) FROM calls");
    newest.step();
    return newest.integer(0);
}

}  // namespace

BoardBroadcast::BoardBroadcast(const std::string& logPath, const BoardFeed& feed, size_t capacity)
    : feed_(feed), capacity_(capacity) {
    thread_ = std::thread([this, logPath] { run(logPath); });
    std::unique_lock lock(mutex_);
    grown_.wait(lock, [this] { return ready_ || closed_; });
}

BoardBroadcast::~BoardBroadcast() { thread_.join(); }

void BoardBroadcast::push(int64_t callId, std::string data) {
    {
        const std::lock_guard lock(mutex_);
        if (callId != 0)
            lastCallId_ = callId;
        else
            state_ = data;
        ring_.push_back(
            {nextSequence_++, callId, std::make_shared<const std::string>(std::move(data))});
        if (ring_.size() > capacity_) {
            if (ring_.front().callId != 0) coveredAfter_ = ring_.front().callId;
            ring_.pop_front();
        }
    }
    grown_.notify_all();
}

void BoardBroadcast::run(const std::string& logPath) {
    try {
        const auto db = openLogForReading(logPath);
        int64_t cursor = newestCallId(*db);
        LineSnapshot line = feed_.snapshot();
        {
            const std::lock_guard lock(mutex_);
            lastCallId_ = coveredAfter_ = cursor;
            state_ = stateJson(*db, line, cursor);
            ready_ = true;
        }
        grown_.notify_all();
        Statement after(*db, callsAfterSql());
        uint64_t version = line.version;
        while (!line.closed) {
            line = feed_.waitChange(version, kPoll);
            bool changed = line.version != version;
            for (bool more = true; more;) {
                after.bind(1, cursor);
                const std::vector<LoggedCall> calls = withDeliveries(*db, after);
                after.reset();
                for (const LoggedCall& logged : calls) {
                    cursor = logged.call.id;
                    push(cursor, jsonText(loggedCallJson(logged)));
                }
                more = static_cast<int64_t>(calls.size()) == kBoardReadBatch;
                changed = changed || !calls.empty();
            }
            if (changed && !line.closed) push(0, stateJson(*db, line, cursor));
            version = line.version;
        }
    } catch (const std::exception&) {
        // The log cannot be read: the streams end, and browsers try again.
    }
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
    }
    grown_.notify_all();
}

std::optional<BoardBroadcast::Start> BoardBroadcast::joinAfter(std::optional<int64_t> lastCallId,
                                                               bool logHasNoMore) const {
    const std::lock_guard lock(mutex_);
    int64_t seen = lastCallId.value_or(lastCallId_);
    if (seen < coveredAfter_) {
        if (!logHasNoMore) return std::nullopt;
        seen = coveredAfter_;
    }
    uint64_t sequence = nextSequence_;
    for (const BoardEvent& event : ring_) {
        if (event.callId > seen) {
            sequence = event.sequence;
            break;
        }
    }
    return Start{sequence, seen, state_};
}

BoardBroadcast::Read BoardBroadcast::read(uint64_t sequence, std::chrono::milliseconds wait) const {
    std::unique_lock lock(mutex_);
    grown_.wait_for(lock, wait, [&] { return nextSequence_ > sequence || closed_; });
    Read result;
    result.closed = closed_;
    if (!ring_.empty() && sequence < ring_.front().sequence) {
        result.lost = true;
        return result;
    }
    const size_t first = ring_.empty() ? 0 : static_cast<size_t>(sequence - ring_.front().sequence);
    for (size_t i = first; i < ring_.size() && result.events.size() < kReadMost; ++i) {
        result.events.push_back(ring_[i]);
    }
    return result;
}

}  // namespace velko::gateway
