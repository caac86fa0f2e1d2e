#include "gateway/system/wakeup.h"

#include <array>
#include <span>

#include "gateway/system/connection_error.h"

namespace velko::gateway {

void Wakeup::requestStop() {
    stop_.store(true, std::memory_order_release);
    wake();
}

void Wakeup::throwIfStopRequested() const {
    if (stopRequested()) throw ConnectionError("stopped");
}

SocketWatch Wakeup::wait(SocketWatch watch, Clock::time_point deadline) const {
    std::array<SocketWatch, 2> watches{{{signal_.handle(), true, false}, watch}};
    const bool alone = watch.handle == TcpSocket::kNoHandle;
    waitForSockets(std::span(watches).first(alone ? 1 : 2), deadline);
    if (watches[0].ready) {
        signal_.clear();
        return {watch.handle, watch.read, watch.write};
    }
    return watches[1];
}

}  // namespace velko::gateway
