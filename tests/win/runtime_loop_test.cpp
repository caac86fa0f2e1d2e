#include <vector>

#include "platform/win32/runtime/message_window.h"
#include "platform/win32/runtime/win32_message_loop.h"
#include "tests/win/runtime_support.h"

using namespace velko;
using namespace velko::wintest;
using velko::win32::MessageWindow;
using velko::win32::Win32MessageLoop;

namespace {

// A thread that posts one notification to the window after a delay, while the test's thread
// is blocked in the loop.
class DelayedPost {
  public:
    DelayedPost(MessageWindow& window, MessageWindow::Id id, DWORD delayMilliseconds)
        : window_(window), id_(id), delay_(delayMilliseconds) {
        thread_ = CreateThread(nullptr, 0, &DelayedPost::main, this, 0, nullptr);
    }
    ~DelayedPost() {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    DelayedPost(const DelayedPost&) = delete;
    DelayedPost& operator=(const DelayedPost&) = delete;

  private:
    static DWORD WINAPI main(LPVOID self) {
        auto* post = static_cast<DelayedPost*>(self);
        Sleep(post->delay_);
        post->window_.post(post->id_);
        return 0;
    }

    MessageWindow& window_;
    MessageWindow::Id id_;
    DWORD delay_;
    HANDLE thread_;
};

struct Loop {
    MessageWindow window;
    Win32MessageLoop loop{window};
};

WIN_TEST(waitingBlocksUntilTheDeadlineWhenNothingArrives) {
    Loop fixture;
    fixture.loop.runPending();
    const auto start = Clock::now();
    fixture.loop.waitForActivity(start + 300ms);
    const auto waited = Clock::now() - start;
    CHECK(waited >= 300ms);
    CHECK(waited < 1s);
    const auto past = Clock::now();
    fixture.loop.waitForActivity(past - 1s);
    CHECK(Clock::now() - past < 100ms);
}

WIN_TEST(waitingEndsWhenAnotherThreadPostsWithoutRunningTheNotification) {
    Loop fixture;
    int runs = 0;
    const auto id = fixture.window.subscribe([&runs] { ++runs; });
    fixture.loop.runPending();
    const auto start = Clock::now();
    {
        DelayedPost post(fixture.window, id, 100);
        fixture.loop.waitForActivity(start + 10s);
    }
    const auto waited = Clock::now() - start;
    CHECK(waited >= 90ms);
    CHECK(waited < 3s);
    CHECK_EQ(runs, 0);
    fixture.loop.runPending();
    CHECK_EQ(runs, 1);
}

WIN_TEST(aPassRunsWhatWasQueuedBeforeItOnceAndEnds) {
    Loop fixture;
    int runs = 0;
    MessageWindow::Id again = 0;
    again = fixture.window.subscribe([&] {
        ++runs;
        fixture.window.post(again);
    });
    fixture.window.post(again);
    fixture.loop.runPending();
    CHECK_EQ(runs, 1);
    fixture.loop.runPending();
    CHECK_EQ(runs, 2);
    fixture.window.unsubscribe(again);
    fixture.loop.runPending();
    CHECK_EQ(runs, 2);
}

WIN_TEST(aNestedPassRunsTheRestOfTheQueueAndTheOuterPassThenEnds) {
    Loop fixture;
    std::string order;
    const auto nested = fixture.window.subscribe([&] {
        order += 'a';
        fixture.loop.runPending();
        order += 'A';
    });
    const auto plain = fixture.window.subscribe([&] { order += 'b'; });
    fixture.window.post(nested);
    fixture.window.post(plain);
    fixture.loop.runPending();
    CHECK_EQ(order, std::string("abA"));
    fixture.window.post(plain);
    fixture.loop.runPending();
    CHECK_EQ(order, std::string("abAb"));
}

WIN_TEST(aFailingHandlerEndsThePassAndItsErrorReachesTheCaller) {
    Loop fixture;
    int runs = 0;
    const auto failing = fixture.window.subscribe([] { throw RuntimeError(6, u"Overflow"); });
    const auto counting = fixture.window.subscribe([&runs] { ++runs; });
    fixture.window.post(failing);
    fixture.window.post(counting);
    CHECK_EQ(errorNumberOf([&] { fixture.loop.runPending(); }), 6);
    CHECK_EQ(runs, 0);
    fixture.loop.runPending();
    CHECK_EQ(runs, 1);
}

// A host's own loop dispatches the notification: the failure cannot cross the system's frames
// and is dropped, and the next pass of the control's loop does not see it either.
WIN_TEST(aFailureDispatchedByTheHostsLoopIsDropped) {
    Loop fixture;
    const auto failing = fixture.window.subscribe([] { throw RuntimeError(6, u"Overflow"); });
    fixture.window.post(failing);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    CHECK_EQ(errorNumberOf([&] { fixture.loop.runPending(); }), 0);
}

WIN_TEST(aQuitMessageEndsThePassAndStaysQueuedForTheHost) {
    Loop fixture;
    int runs = 0;
    const auto counting = fixture.window.subscribe([&runs] { ++runs; });
    PostThreadMessageW(GetCurrentThreadId(), WM_QUIT, 3, 0);
    fixture.window.post(counting);
    fixture.loop.runPending();
    CHECK_EQ(runs, 0);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    CHECK_EQ(message.message, static_cast<UINT>(WM_QUIT));
    CHECK_EQ(message.wParam, 3u);
    CHECK_EQ(runs, 1);
}

}  // namespace
