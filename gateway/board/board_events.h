#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gateway/board/board_broadcast.h"
#include "gateway/board/board_report.h"
#include "gateway/log/sqlite.h"

namespace velko::gateway {

// One browser's Server-Sent Events (docs/http.md, /api/events): the calls after the one it saw
// last, read from the log in their order, then the line's state; afterwards the broadcast's
// events as they come. A browser that falls further behind than the broadcast keeps reads what
// it missed from the log again, at its own pace. While the log cannot be read the stream says
// so, tries again after a pause, and goes on where it was.
class EventStream {
  public:
    // lastSeen: the Last-Event-ID the browser sent, if any; without one (or with an id the log
    // never had) the stream starts with the state and goes on with the calls that come after it.
    // A failure to read the log goes to report too.
    EventStream(std::string logPath, const BoardBroadcast& broadcast, BoardReport& report,
                std::optional<int64_t> lastSeen);
    ~EventStream();

    // The text of the next events, after waiting at most `wait` for something new: a comment
    // when nothing came, nothing once the board stops. Raises only what is no failure to read
    // the log.
    std::optional<std::string> next(std::chrono::milliseconds wait);

  private:
    // The text of the broadcast's events the stream has not sent.
    std::string followed(const std::vector<BoardEvent>& events);
    // Until the stream follows the broadcast: the calls it missed, the next ones from the log at
    // each step, then the state where it joins the broadcast; or that the log cannot be read.
    std::string catchUp();
    // The next calls after the cursor from the log; empty when it has no more.
    std::string replay();
    // The `log` event when the log's condition differs from what the stream told last.
    std::string logCondition(bool readable);

    std::string logPath_;
    const BoardBroadcast& broadcast_;
    BoardReport& report_;
    std::unique_ptr<Database> db_;      // open while the stream reads the log
    std::optional<int64_t> cursor_;     // the id of the last call sent
    std::optional<uint64_t> sequence_;  // the broadcast's next event; none while replaying
    bool started_ = false;
    bool toldUnreadable_ = false;
    // The pause before the log is read again after a failure to read it.
    std::optional<std::chrono::milliseconds> retryAfter_;
};

}  // namespace velko::gateway
