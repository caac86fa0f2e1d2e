#pragma once

#include <cstdint>
#include <string>
#include <thread>

#include "gateway/outputs/output.h"
#include "gateway/outputs/retry_backoff.h"
#include "gateway/system/connection_error.h"
#include "gateway/system/loop_access.h"
#include "gateway/system/wakeup.h"

namespace velko::gateway {

// What every output shares: a thread of its own that connects and serves the connection until it
// is lost, then connects again after the backoff (1 s, doubling up to 30 s); the wake-up that
// ends its waits; the stop; and the changes of the connection, told to the loop with each
// reason once, not at every attempt. A stop ends every wait of the thread within half a second.
// The thread touches nothing of the gateway: what it learns (deliveries, connections) goes to
// the loop's thread as tasks (system/loop_access.h, the rule for threads).
class ReconnectingOutput : public Output {
  public:
    ~ReconnectingOutput() override;
    void stop() final;

  protected:
    ReconnectingOutput(LoopAccess& loop, OutputEvents& events);

    // The last step of the derived class's constructor; its destructor calls stop() first.
    void start();
    // One connection, from connecting until it ends: raises ConnectionError with the reason
    // (which a stop makes irrelevant), or returns after a clean stop.
    virtual void serve() = 0;
    // After each connection, before the wait: forget what belonged to it.
    virtual void connectionEnded() {}

    // The connection is up and serving.
    void connectionUp();
    bool up() const { return up_; }
    bool stopping() const { return wake_.stopRequested(); }
    const Wakeup& wake() const { return wake_; }
    // Tells the loop that the far end acknowledged the call, or the end of the answered call.
    void reportDelivered(int64_t callId, bool hangUp = false);

  private:
    void run();
    void tell(bool up, const std::string& reason);

    LoopAccess& loop_;
    OutputEvents& events_;
    Wakeup wake_;
    // The thread's own.
    bool up_ = false;
    std::string lastReason_;
    RetryBackoff retry_;
    std::thread thread_;
};

}  // namespace velko::gateway
