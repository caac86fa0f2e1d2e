#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <utility>

namespace velko::win32 {

// A hidden message-only window on the thread that creates it: the place where the serial
// component's reader threads and the timers deliver their notifications, so that every handler
// runs on that thread, from its message loop. Create, use and destroy it on one thread; only
// post() may be called from any thread.
class MessageWindow {
  public:
    using Id = UINT_PTR;
    using Handler = std::function<void()>;

    MessageWindow();
    ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    // A handler may run the message loop, subscribe and unsubscribe, itself included.
    Id subscribe(Handler handler);
    void unsubscribe(Id id);

    // Queues one call of the handler; false when the thread's queue refuses the message.
    // Safe from any thread while the window exists.
    bool post(Id id) const;

    // Calls the handler every interval until stopped; false when the system has no timer left.
    bool startTimer(Id id, UINT intervalMilliseconds);
    void stopTimer(Id id);

    // A handler's failure must not cross the system's frames of the window procedure. While a
    // dispatcher has set a slot, the first failure is kept there for it to rethrow; a failure
    // dispatched by another loop (the host's own) is dropped. Returns the previous slot.
    std::exception_ptr* setFailureSlot(std::exception_ptr* slot) {
        return std::exchange(failureSlot_, slot);
    }

  private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    void run(Id id);

    HWND handle_;
    Id nextId_ = 1;
    std::map<Id, std::shared_ptr<Handler>> handlers_;
    std::exception_ptr* failureSlot_ = nullptr;
};

}  // namespace velko::win32
