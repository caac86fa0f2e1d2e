#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "gateway/calls/line_watcher.h"

namespace velko::gateway {

// What the board knows of the line besides the log, at one moment.
struct LineSnapshot {
    uint64_t version = 0;  // grows with every call and every change
    bool closed = false;   // the board is stopping
    std::string line;      // the line's name (--line)
    LineStatus status;
    std::vector<std::pair<std::string, bool>> outputs;  // each output's name and connection
};

// The hand-off from the loop's thread to the board's threads: the loop's side only updates a
// small snapshot under a lock and wakes the waiters, so a slow browser never holds it up; the
// board's threads read the calls themselves from the log.
class BoardFeed final : public LineWatcher {
  public:
    BoardFeed(std::string line, const std::vector<std::string>& outputs);

    void callLogged(const Call& call) override;
    void lineChanged(const LineStatus& status) override;
    void outputChanged(std::string_view output, bool connected) override;
    // Wakes every waiter for good.
    void close();

    LineSnapshot snapshot() const;
    // The snapshot once its version differs from seen, the feed is closed or wait has passed.
    LineSnapshot waitChange(uint64_t seen, std::chrono::milliseconds wait) const;

  private:
    template <typename Change>
    void change(Change&& apply);

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    LineSnapshot snapshot_;
};

}  // namespace velko::gateway
