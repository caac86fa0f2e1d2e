#pragma once

#include <functional>
#include <map>
#include <memory>

#include "link/message_loop.h"

namespace velko::posix {

// The message loop of one thread, built on poll(): descriptors watched for input, and alarms
// that fire once when they fall due. Every callback runs on the thread that runs the loop, to
// completion; a callback may run the loop again (nested), watch, unwatch, schedule and cancel.
// An exception from a callback ends the pass and reaches the caller of runPending; whatever the
// pass had not run yet runs on the next one.
class PollLoop final : public MessageLoop {
  public:
    using Callback = std::function<void()>;

    PollLoop() = default;
    PollLoop(const PollLoop&) = delete;
    PollLoop& operator=(const PollLoop&) = delete;

    // Calls onReadable whenever fd has input, has hung up or has failed. A descriptor that has
    // hung up or failed is dropped once its callback has run and nothing is left to read on it,
    // so that it is never polled again in a busy loop: the callback should read everything that
    // is available each time. Returns the id that unwatch takes. The caller keeps fd open until
    // it unwatches it.
    int watch(int fd, Callback onReadable);
    void unwatch(int id);

    // Calls action once, from the loop, when due has come. Returns the id that cancel takes.
    int schedule(Clock::time_point due, Callback action);
    void cancel(int id);

    void runPending() override;
    void waitForActivity(Clock::time_point deadline) override;

  private:
    struct Watch {
        int fd;
        std::shared_ptr<Callback> onReadable;
    };
    struct Alarm {
        Clock::time_point due;
        std::shared_ptr<Callback> action;
    };

    void runReadyDescriptors();
    void runDueAlarms();
    Clock::time_point nextAlarm() const;

    int nextId_ = 1;
    unsigned passes_ = 0;
    std::map<int, Watch> watches_;
    std::map<int, Alarm> alarms_;
};

}  // namespace velko::posix
