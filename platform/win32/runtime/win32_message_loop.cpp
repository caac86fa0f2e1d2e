#include "platform/win32/runtime/win32_message_loop.h"

#include <algorithm>
#include <limits>

namespace velko::win32 {

namespace {

class FailureScope {
  public:
    explicit FailureScope(MessageWindow& window)
        : window_(window), previous_(window.setFailureSlot(&failure_)) {}
    ~FailureScope() { window_.setFailureSlot(previous_); }
    FailureScope(const FailureScope&) = delete;
    FailureScope& operator=(const FailureScope&) = delete;

    void rethrowIfFailed() const {
        if (failure_) std::rethrow_exception(failure_);
    }

  private:
    MessageWindow& window_;
    std::exception_ptr failure_;
    std::exception_ptr* previous_;
};

// The next message within the range; PeekMessage hands out WM_QUIT whatever the range, and
// that one is put back for the host's own loop and ends the taking.
bool take(MSG& message, UINT first, UINT last) {
    if (!PeekMessageW(&message, nullptr, first, last, PM_REMOVE)) return false;
    if (message.message != WM_QUIT) return true;
    PostQuitMessage(static_cast<int>(message.wParam));
    return false;
}

}  // namespace

Win32MessageLoop::Win32MessageLoop(MessageWindow& window)
    : window_(window), endOfPass_(window.subscribe([this] { ++passesEnded_; })) {}

Win32MessageLoop::~Win32MessageLoop() { window_.unsubscribe(endOfPass_); }

// The pass ends at a marker it posts behind the messages already queued. Markers are seen in
// the order they were posted, so a nested pass that meets an outer pass's marker ends that
// outer pass too. Timer messages, which the system hands out only when no posted message is
// waiting, are taken by a second sweep so that a stream of notifications cannot starve them.
void Win32MessageLoop::runPending() {
    const unsigned pass =
        window_.post(endOfPass_) ? ++passesStarted_ : std::numeric_limits<unsigned>::max();
    MSG message;
    while (passesEnded_ < pass) {
        if (!take(message, 0, 0)) return;
        dispatch(message);
    }
    while (take(message, WM_TIMER, WM_TIMER)) dispatch(message);
}

void Win32MessageLoop::dispatch(const MSG& message) {
    FailureScope scope(window_);
    TranslateMessage(&message);
    DispatchMessageW(&message);
    scope.rethrowIfFailed();
}

void Win32MessageLoop::waitForActivity(Clock::time_point deadline) {
    for (;;) {
        const auto now = Clock::now();
        if (now >= deadline) return;
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
        const auto timeout = static_cast<DWORD>(std::min<decltype(wait)>(wait, INFINITE - 1));
        if (MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE) !=
            WAIT_TIMEOUT) {
            return;
        }
    }
}

}  // namespace velko::win32
