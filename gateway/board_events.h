#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "gateway/board_feed.h"
#include "gateway/sqlite.h"

namespace velko::gateway {

// One browser's Server-Sent Events (docs/http.md, /api/events): the calls after the one it saw
// last, read from the log in their order, then the line's state; afterwards each new call and
// each change as the feed tells of them. A browser that cannot keep up only falls behind in the
// log, which it reads at its own pace.
class EventStream {
  public:
    // lastSeen: the Last-Event-ID the browser sent, if any; without one the stream starts with
    // the state and goes on with the calls that come after it.
    EventStream(const std::string& logPath, const BoardFeed& feed, std::optional<int64_t> lastSeen);
    ~EventStream();

    // The text of the next events, after waiting at most `wait` for something new: a comment
    // when nothing came, nothing once the feed is closed.
    std::optional<std::string> next(std::chrono::milliseconds wait);

  private:
    std::string callsAfterCursor();

    std::unique_ptr<Database> db_;
    const BoardFeed& feed_;
    int64_t cursor_ = 0;  // the id of the last call sent
    std::optional<uint64_t> versionSent_;
    bool behind_ = false;  // more calls wait in the log than one batch took
    bool started_ = false;
};

}  // namespace velko::gateway
