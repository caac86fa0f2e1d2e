#include "gateway/board/board_workers.h"

namespace velko::gateway {

BoardWorkers::BoardWorkers(size_t most, std::chrono::milliseconds idleLife, Serve serve)
    : most_(most), idleLife_(idleLife), serve_(std::move(serve)) {}

BoardWorkers::~BoardWorkers() {
    std::deque<std::unique_ptr<BoardConnection>> dropped;
    {
        std::unique_lock lock(mutex_);
        stopping_ = true;
        dropped.swap(waiting_);
        changed_.notify_all();
        changed_.wait(lock, [this] { return running_.empty(); });
    }
    joinEnded();
}

void BoardWorkers::serve(std::unique_ptr<BoardConnection> connection) {
    joinEnded();
    const std::lock_guard lock(mutex_);
    waiting_.push_back(std::move(connection));
    if (idle_ >= waiting_.size() || running_.size() >= most_) {
        changed_.notify_one();
        return;
    }
    running_.emplace_front();
    const auto self = running_.begin();
    try {
        *self = std::thread([this, self] { work(self); });
    } catch (...) {
        running_.erase(self);
        if (running_.empty()) {
            waiting_.pop_back();
            throw;
        }
    }
}

size_t BoardWorkers::threads() const {
    const std::lock_guard lock(mutex_);
    return running_.size();
}

void BoardWorkers::work(std::list<std::thread>::iterator self) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (!waiting_.empty() && !stopping_) {
            std::unique_ptr<BoardConnection> connection = std::move(waiting_.front());
            waiting_.pop_front();
            lock.unlock();
            serve_(std::move(connection));
            lock.lock();
            continue;
        }
        if (stopping_) break;
        ++idle_;
        const bool woken =
            changed_.wait_for(lock, idleLife_, [this] { return !waiting_.empty() || stopping_; });
        --idle_;
        if (!woken) break;
    }
    ended_.splice(ended_.end(), running_, self);
    changed_.notify_all();
}

void BoardWorkers::joinEnded() {
    std::list<std::thread> ended;
    {
        const std::lock_guard lock(mutex_);
        ended.swap(ended_);
    }
    for (std::thread& thread : ended) thread.join();
}

}  // namespace velko::gateway
