#pragma once

#include <chrono>
#include <functional>

namespace velko::gateway {

// The gateway's rule for threads: the control's thread owns the control, and with it the
// gateway, the log's writer and everything they hold. Every other thread (an output's, the
// board's, a name lookup's) owns only what it made, and hands its results back to the control's
// thread through this loop (post) instead of touching the gateway; each such class says so in its
// header. Nothing of the loop's thread waits for another thread.
//
// What the gateway needs of the message loop of the control's thread besides the control's own
// notifications: alarms, and a way for other threads to hand work to that thread. The poll()
// loop fills it under gateway/posix/.
class LoopAccess {
  public:
    using Task = std::function<void()>;

    virtual ~LoopAccess() = default;
    // Runs task on the loop's thread once delay has passed; returns the id cancel takes.
    virtual int after(std::chrono::milliseconds delay, Task task) = 0;
    virtual void cancel(int id) = 0;
    // Runs task on the loop's thread as soon as the loop runs; callable from any thread.
    virtual void post(Task task) = 0;
};

}  // namespace velko::gateway
