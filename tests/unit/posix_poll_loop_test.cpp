#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/posix/poll_loop.h"

namespace velko::posix {
namespace {

using namespace std::chrono_literals;
using Clock = MessageLoop::Clock;

struct Pipe {
    Pipe() {
        int ends[2];
        EXPECT_EQ(::pipe2(ends, O_NONBLOCK | O_CLOEXEC), 0);
        in = ends[0];
        out = ends[1];
    }
    ~Pipe() {
        closeIn();
        closeOut();
    }
    void write(std::string_view bytes) const {
        ASSERT_EQ(::write(out, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void closeIn() { in = closed(in); }
    void closeOut() { out = closed(out); }
    static int closed(int fd) {
        if (fd >= 0) ::close(fd);
        return -1;
    }
    int in;
    int out;
};

// Passes of the loop during a span of time: how often it woke up.
int passesDuring(PollLoop& loop, Clock::duration span) {
    int passes = 0;
    loop.runUntil(
        [&] {
            ++passes;
            return false;
        },
        Clock::now() + span);
    return passes;
}

TEST(PollLoop, WaitBlocksUntilTheDeadlineWhenNothingIsPending) {
    PollLoop loop;
    Pipe idle;
    loop.watch(idle.in, [] {});
    const auto start = Clock::now();
    loop.waitForActivity(start + 200ms);
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, 200ms);
    EXPECT_LT(waited, 400ms);
}

TEST(PollLoop, InputWakesTheWaitPromptly) {
    PollLoop loop;
    Pipe pipe;
    int calls = 0;
    loop.watch(pipe.in, [&] {
        char byte;
        while (::read(pipe.in, &byte, 1) == 1) ++calls;
    });
    std::jthread writer([&] {
        std::this_thread::sleep_for(50ms);
        pipe.write("x");
    });
    const auto start = Clock::now();
    loop.waitForActivity(start + 5s);
    EXPECT_LT(Clock::now() - start, 1s);
    EXPECT_EQ(calls, 0);  // waiting runs nothing
    loop.runPending();
    EXPECT_EQ(calls, 1);
}

TEST(PollLoop, RunPendingRunsReadyDescriptorsAndDueAlarmsOnce) {
    PollLoop loop;
    Pipe ready, idle;
    int readyCalls = 0, idleCalls = 0, dueCalls = 0, laterCalls = 0, cancelledCalls = 0;
    loop.watch(ready.in, [&] {
        char byte;
        while (::read(ready.in, &byte, 1) == 1) ++readyCalls;
    });
    loop.watch(idle.in, [&] { ++idleCalls; });
    loop.schedule(Clock::now(), [&] { ++dueCalls; });
    loop.schedule(Clock::now() + 1h, [&] { ++laterCalls; });
    loop.cancel(loop.schedule(Clock::now(), [&] { ++cancelledCalls; }));
    ready.write("ab");

    loop.runPending();
    loop.runPending();
    EXPECT_EQ(readyCalls, 2);
    EXPECT_EQ(idleCalls, 0);
    EXPECT_EQ(dueCalls, 1);
    EXPECT_EQ(laterCalls, 0);
    EXPECT_EQ(cancelledCalls, 0);
}

TEST(PollLoop, WaitEndsWhenAnAlarmFallsDue) {
    PollLoop loop;
    bool rang = false;
    const auto due = Clock::now() + 100ms;
    loop.schedule(due, [&] { rang = true; });
    EXPECT_TRUE(loop.runUntil([&] { return rang; }, Clock::now() + 5s));
    EXPECT_GE(Clock::now(), due);
}

TEST(PollLoop, CallbacksMayUnwatchAndRunTheLoopAgain) {
    PollLoop loop;
    Pipe first, second;
    int firstCalls = 0, secondCalls = 0;
    int secondWatch = 0;
    loop.watch(first.in, [&] {
        ++firstCalls;
        char byte;
        while (::read(first.in, &byte, 1) == 1) {
        }
        loop.runPending();  // nested: takes the second pipe's input
        loop.unwatch(secondWatch);
    });
    secondWatch = loop.watch(second.in, [&] {
        ++secondCalls;
        char byte;
        while (::read(second.in, &byte, 1) == 1) {
        }
    });
    first.write("1");
    second.write("2");
    loop.runPending();
    EXPECT_EQ(firstCalls, 1);
    EXPECT_EQ(secondCalls, 1);

    second.write("2");
    loop.runPending();
    EXPECT_EQ(secondCalls, 1);
}

TEST(PollLoop, DropsAHungUpDescriptorInsteadOfSpinning) {
    PollLoop loop;
    Pipe pipe;
    int calls = 0;
    loop.watch(pipe.in, [&] { ++calls; });
    pipe.closeOut();
    EXPECT_LE(passesDuring(loop, 300ms), 4);
    EXPECT_EQ(calls, 1);
}

TEST(PollLoop, KeepsAHungUpDescriptorUntilItsInputIsRead) {
    PollLoop loop;
    Pipe pipe;
    std::string received;
    loop.watch(pipe.in, [&] {
        char byte;
        if (::read(pipe.in, &byte, 1) == 1) received += byte;
    });
    pipe.write("abc");
    pipe.closeOut();
    EXPECT_LE(passesDuring(loop, 300ms), 8);
    EXPECT_EQ(received, "abc");
}

TEST(PollLoop, DropsAPseudoTerminalWhoseOtherSideClosed) {
    int master = -1, slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    PollLoop loop;
    int calls = 0;
    loop.watch(slave, [&] { ++calls; });
    ::close(master);
    EXPECT_LE(passesDuring(loop, 300ms), 4);
    EXPECT_EQ(calls, 1);
    ::close(slave);
}

}  // namespace
}  // namespace velko::posix
