#pragma once

#include <chrono>
#include <functional>

namespace velko::gateway {

// What the gateway needs of the message loop of the control's thread besides the control's own
// notifications: alarms, and a way for other threads to hand work to that thread.
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
