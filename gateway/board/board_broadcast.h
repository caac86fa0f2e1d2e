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

#include "gateway/board/board_feed.h"
#include "gateway/board/board_report.h"

namespace velko::gateway {

// The pauses before the board reads the log again after a failure to read it: the first, then
// doubling up to the longest.
inline constexpr std::chrono::milliseconds kBoardFirstRetry{500};
inline constexpr std::chrono::milliseconds kBoardLongestRetry{10000};

// One event of the board's stream (docs/http.md, /api/events), its data rendered once and
// shared by every browser's stream: a call, the line's state, or whether the log can be read.
struct BoardEvent {
    enum class Kind { Call, State, Log };
    uint64_t sequence = 0;
    Kind kind = Kind::Call;
    int64_t callId = 0;       // Call: its id; State: the id of the last call before it
    bool logReadable = true;  // Log
    std::shared_ptr<const std::string> data;  // Call, State
};

// The events every browser's stream sends, made once: a thread of its own waits on the feed,
// reads each new call from the log (a read-only connection of its own) and keeps the latest
// events in a ring of bounded size. Streams read the ring at their own pace; one that falls
// further behind than the ring holds learns so and reads the calls it missed from the log.
// When the log cannot be read, the thread says so (to the streams and to report), opens it again
// after 0.5 s, then at doubling intervals up to 10 s, and goes on after the last call it sent.
class BoardBroadcast {
  public:
    // Returns once the log was read, or could not be, the first time.
    BoardBroadcast(const std::string& logPath, const BoardFeed& feed, BoardReport& report,
                   size_t capacity = 2048);
    // Ends the thread; the feed must be closed first.
    ~BoardBroadcast();
    BoardBroadcast(const BoardBroadcast&) = delete;
    BoardBroadcast& operator=(const BoardBroadcast&) = delete;

    // Where a stream starts reading the ring once it has sent every call up to lastCallId (the
    // newest when nothing), with the latest state to send first and whether the log can be read.
    // Nothing when the ring cannot tell what follows lastCallId: it no longer holds every call
    // after it, or has not reached it yet (unless the log has no more calls than the stream has
    // sent), or the log has never been read.
    struct Start {
        uint64_t sequence = 0;
        int64_t lastCallId = 0;
        std::string state;
        bool logReadable = true;
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

    // Waits for wait, less when the board stops; false once it stops.
    bool pause(std::chrono::milliseconds wait) const;

  private:
    void run(const std::string& logPath);
    // Reads the log until the feed closes; raises when the log cannot be read.
    void follow(const std::string& logPath, LineSnapshot& line);
    void push(BoardEvent event);
    void logReadable(bool readable, const std::string& reason);

    const BoardFeed& feed_;
    BoardReport& report_;
    const size_t capacity_;
    mutable std::mutex mutex_;
    mutable std::condition_variable grown_;
    std::deque<BoardEvent> ring_;
    uint64_t nextSequence_ = 1;
    int64_t lastCallId_ = 0;    // the newest call the ring knows
    int64_t coveredAfter_ = 0;  // the ring holds every call after this one
    std::string state_;         // the latest state's data
    bool ready_ = false;        // the log was read once: the fields above tell of it
    bool readable_ = true;      // the last read of the log succeeded
    bool tried_ = false;        // the first read was tried
    bool closed_ = false;
    // The thread's own: the last call pushed, and the wait before the log is opened again.
    std::optional<int64_t> cursor_;
    std::chrono::milliseconds retry_ = kBoardFirstRetry;
    std::thread thread_;
};

}  // namespace velko::gateway
