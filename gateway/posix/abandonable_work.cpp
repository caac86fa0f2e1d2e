#include "gateway/posix/abandonable_work.h"

#include <poll.h>

#include <atomic>
#include <memory>
#include <system_error>
#include <thread>

#include "gateway/posix/connection_error.h"

namespace velko::gateway {

namespace {

// Shared by the waiter and the work's thread, so that either may be the last to let it go.
struct Completion {
    WakePipe signal;
    std::atomic<bool> done{false};
};

}  // namespace

void runUnlessStopped(std::function<void()> work, const WakePipe& wake) {
    const auto completion = std::make_shared<Completion>();
    try {
        std::thread([work = std::move(work), completion] {
            work();
            completion->done.store(true, std::memory_order_release);
            completion->signal.wake();
        }).detach();
    } catch (const std::system_error& error) {
        throw ConnectionError(error.what());
    }
    while (!wake.stopRequested()) {
        wake.poll(completion->signal.readEnd(), POLLIN, WakePipe::Clock::time_point::max());
        if (completion->done.load(std::memory_order_acquire)) return;
    }
    throw ConnectionError("stopped");
}

}  // namespace velko::gateway
