#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include "gateway/board/board_connection.h"

namespace velko::gateway {

// The threads that answer the board's requests: one is made when a connection comes and none
// is free, up to `most`; one that has had nothing to do for `idleLife` ends, so an idle board
// holds none. Connections beyond `most` wait their turn in order.
class BoardWorkers {
  public:
    using Serve = std::function<void(std::unique_ptr<BoardConnection>)>;

    // serve runs on the workers' threads and must not throw.
    BoardWorkers(size_t most, std::chrono::milliseconds idleLife, Serve serve);
    // Waits for the connections being served (the caller has made their waits end first) and
    // closes those still waiting.
    ~BoardWorkers();
    BoardWorkers(const BoardWorkers&) = delete;
    BoardWorkers& operator=(const BoardWorkers&) = delete;

    // Raises std::system_error when no thread can be made and none is there to serve it.
    void serve(std::unique_ptr<BoardConnection> connection);
    // Threads running now.
    size_t threads() const;

  private:
    void work(std::list<std::thread>::iterator self);
    void joinEnded();

    const size_t most_;
    const std::chrono::milliseconds idleLife_;
    const Serve serve_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<BoardConnection>> waiting_;
    std::list<std::thread> running_;
    std::list<std::thread> ended_;  // to be joined
    size_t idle_ = 0;
    bool stopping_ = false;
};

}  // namespace velko::gateway
