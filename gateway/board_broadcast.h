#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "gateway/board_feed.h"

namespace velko::gateway {

// One event of the board's stream (docs/http.md, /api/events), its data rendered once and
// shared by every browser's stream: a call (callId its id) or the line's state (callId 0).
struct BoardEvent {
    uint64_t sequence = 0;
    int64_t callId = 0;
    std::shared_ptr<const std::string> data;
};

// The events every browser's stream sends, made once: a thread of its own waits on the feed,
// reads each new call from the log (a read-only connection of its own) and keeps the latest
// events in a ring of bounded size. Streams read the ring at their own pace; one that falls
// further behind than the ring holds learns so and reads the calls it missed from the log.
class BoardBroadcast {
  public:
    BoardBroadcast(const std::string& logPath, const BoardFeed& feed, size_t capacity = 2048);
    // Ends the thread; the feed must be closed first.
    ~BoardBroadcast();
    BoardBroadcast(const BoardBroadcast&) = delete;
    BoardBroadcast& operator=(const BoardBroadcast&) = delete;

    // Where a stream starts reading the ring once it has sent every call up to lastCallId (the
    // newest when nothing), with the latest state to send first; nothing when the ring no longer
    // holds every call after lastCallId, unless the log has no more of them either (they were
    // removed).
    struct Start {
        uint64_t sequence = 0;
        int64_t lastCallId = 0;
        std::string state;
    };
    std::optional<Start> joinAfter(std::optional<int64_t> lastCallId,
                                   bool logHasNoMore = false) const;

    // The events from sequence on, after waiting at most wait for one.
    struct Read {
        std::vector<BoardEvent> events;
        bool lost = false;    // the ring no longer holds the event at sequence
        bool closed = false;  // the board is stopping
    };
    Read read(uint64_t sequence, std::chrono::milliseconds wait) const;

  private:
    void run(const std::string& logPath);
    void push(int64_t callId, std::string data);

    const BoardFeed& feed_;
    const size_t capacity_;
    mutable std::mutex mutex_;
    mutable std::condition_variable grown_;
    std::deque<BoardEvent> ring_;
    uint64_t nextSequence_ = 1;
    int64_t lastCallId_ = 0;    // the newest call the ring knows
    int64_t coveredAfter_ = 0;  // the ring holds every call after this one
    std::string state_;         // the latest state's data
    bool ready_ = false;
    bool closed_ = false;
    std::thread thread_;
};

}  // namespace velko::gateway
