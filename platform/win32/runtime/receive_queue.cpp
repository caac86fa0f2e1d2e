#include "platform/win32/runtime/receive_queue.h"

#include <utility>

namespace velko::win32 {

class ReceiveQueue::Lock {
  public:
    explicit Lock(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~Lock() { ReleaseSRWLockExclusive(&lock_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

  private:
    SRWLOCK& lock_;
};

bool ReceiveQueue::push(std::string_view bytes) {
    Lock lock(lock_);
    const Text arrived = decoder_.decode(bytes);
    if (arrived.empty()) return false;
    waiting_ += arrived;
    return !std::exchange(notificationPending_, true);
}

size_t ReceiveQueue::size() const {
    Lock lock(lock_);
    return waiting_.size();
}

Text ReceiveQueue::takeAll() {
    Lock lock(lock_);
    return std::exchange(waiting_, Text{});
}

void ReceiveQueue::notificationTaken() {
    Lock lock(lock_);
    notificationPending_ = false;
}

void ReceiveQueue::clear() {
    Lock lock(lock_);
    decoder_.reset();
    waiting_.clear();
    notificationPending_ = false;
}

}  // namespace velko::win32
