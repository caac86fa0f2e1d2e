#include "gateway/system/abandonable_work.h"

#include <atomic>
#include <memory>
#include <system_error>
#include <thread>

#include "gateway/system/connection_error.h"

namespace velko::gateway {

namespace {

// Shared by the waiter and the work's thread, so that either may be the last to let it go.
struct Completion {
    SocketSignal signal;
    std::atomic<bool> done{false};
};

}  // namespace

void runUnlessStopped(std::function<void()> work, const Wakeup& wake) {
    const auto completion = std::make_shared<Completion>();
    try {
        std::thread([work = std::move(work), completion] {
            work();
            completion->done.store(true, std::memory_order_release);
            completion->signal.raise();
        }).detach();
    } catch (const std::system_error& error) {
        throw ConnectionError(error.what());
    }
    while (!wake.stopRequested()) {
        wake.wait({completion->signal.handle(), true, false}, Wakeup::Clock::time_point::max());
        if (completion->done.load(std::memory_order_acquire)) return;
    }
    wake.throwIfStopRequested();
}

}  // namespace velko::gateway
