#include "gateway/board/board_broadcast.h"

#include "gateway/board/board_api.h"

namespace velko::gateway {

namespace {

// How often the log is read even when the feed tells of nothing: calls that reached the log
// later (when it could not commit at once) appear within this time.
constexpr std::chrono::seconds kPoll{1};
// Events a stream takes at a time.
constexpr size_t kReadMost = 256;

}  // namespace

BoardBroadcast::BoardBroadcast(const std::string& logPath, const BoardFeed& feed,
                               BoardReport& report, size_t capacity)
    : feed_(feed), report_(report), capacity_(capacity) {
    thread_ = std::thread([this, logPath] { run(logPath); });
    std::unique_lock lock(mutex_);
    grown_.wait(lock, [this] { return tried_ || closed_; });
}

BoardBroadcast::~BoardBroadcast() { thread_.join(); }

void BoardBroadcast::push(BoardEvent event) {
    {
        const std::lock_guard lock(mutex_);
        if (event.kind == BoardEvent::Kind::Call) lastCallId_ = event.callId;
        if (event.kind == BoardEvent::Kind::State) state_ = *event.data;
        if (event.kind == BoardEvent::Kind::Log) readable_ = event.logReadable;
        event.sequence = nextSequence_++;
        ring_.push_back(std::move(event));
        if (ring_.size() > capacity_) {
            if (ring_.front().kind == BoardEvent::Kind::Call) coveredAfter_ = ring_.front().callId;
            ring_.pop_front();
        }
    }
    grown_.notify_all();
}

void BoardBroadcast::logReadable(bool readable, const std::string& reason) {
    // Only this thread changes readable_.
    if (readable != readable_) {
        report_.liveEvents(readable, reason);
        push({0, BoardEvent::Kind::Log, 0, readable, nullptr});
    }
    {
        const std::lock_guard lock(mutex_);
        tried_ = true;
    }
    grown_.notify_all();
}

void BoardBroadcast::run(const std::string& logPath) {
    LineSnapshot line = feed_.snapshot();
    while (!line.closed) {
        try {
            follow(logPath, line);
        } catch (...) {
            try {
                logReadable(false, failureReason(std::current_exception()));
            } catch (...) {
                // Nothing more can be told; the log is read again all the same.
            }
            // The feed wakes this wait at every change; only its closing ends it early.
            const auto until = std::chrono::steady_clock::now() + retry_;
            while (!line.closed && std::chrono::steady_clock::now() < until) {
                line = feed_.waitChange(line.version,
                                        std::chrono::duration_cast<std::chrono::milliseconds>(
                                            until - std::chrono::steady_clock::now()));
            }
            retry_ = std::min(retry_ * 2, kBoardLongestRetry);
        }
    }
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
    }
    grown_.notify_all();
}

void BoardBroadcast::follow(const std::string& logPath, LineSnapshot& line) {
    const auto db = openLogForReading(logPath);
    Statement after(*db, callsAfterSql());
    // Opened again after a failure: the state may have changed meanwhile.
    bool changed = cursor_.has_value();
    if (!cursor_) {
        const int64_t newest = newestCallId(*db);
        std::string state = stateJson(*db, line, newest);
        cursor_ = newest;
        const std::lock_guard lock(mutex_);
        lastCallId_ = coveredAfter_ = newest;
        state_ = std::move(state);
        ready_ = true;
    }
    uint64_t version = line.version;
    for (bool first = true;; first = false) {
        for (bool more = true; more;) {
            after.bind(1, *cursor_);
            const std::vector<LoggedCall> calls = withDeliveries(*db, after);
            after.reset();
            if (first) {
                logReadable(true, "");
                retry_ = kBoardFirstRetry;
            }
            for (const LoggedCall& logged : calls) {
                cursor_ = logged.call.id;
                push({0, BoardEvent::Kind::Call, logged.call.id, true,
                      std::make_shared<const std::string>(jsonText(boardCallJson(logged)))});
            }
            more = static_cast<int64_t>(calls.size()) == kBoardReadBatch;
            changed = changed || !calls.empty();
        }
        if (line.closed) return;
        if (changed) {
            push({0, BoardEvent::Kind::State, *cursor_, true,
                  std::make_shared<const std::string>(stateJson(*db, line, *cursor_))});
        }
        line = feed_.waitChange(version, kPoll);
        changed = line.version != version;
        version = line.version;
    }
}

std::optional<BoardBroadcast::Start> BoardBroadcast::joinAfter(std::optional<int64_t> lastCallId,
                                                               bool logHasNoMore) const {
    const std::lock_guard lock(mutex_);
    if (!ready_) return std::nullopt;
    int64_t seen = lastCallId.value_or(lastCallId_);
    if (!logHasNoMore && (seen < coveredAfter_ || seen > lastCallId_)) return std::nullopt;
    seen = std::max(seen, coveredAfter_);
    uint64_t sequence = nextSequence_;
    for (const BoardEvent& event : ring_) {
        if (event.kind == BoardEvent::Kind::Call && event.callId > seen) {
            sequence = event.sequence;
            break;
        }
    }
    return Start{sequence, seen, state_, readable_};
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

bool BoardBroadcast::pause(std::chrono::milliseconds wait) const {
    std::unique_lock lock(mutex_);
    return !grown_.wait_for(lock, wait, [this] { return closed_; });
}

}  // namespace velko::gateway
