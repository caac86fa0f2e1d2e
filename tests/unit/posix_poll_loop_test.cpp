#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include "link/message_loop.h"
#include "platform/posix/poll_loop.h"

namespace velko::posix {
namespace {

using namespace std::chrono_literals;
using Clock = MessageLoop::Clock;

struct Pipe {
    Pipe() { EXPECT_EQ(::pipe2(ends, O_NONBLOCK), 0); }
    ~Pipe() {
        ::close(ends[0]);
        closeWritingEnd();
    }
    int in() const { return ends[0]; }
    void write(std::string_view bytes) const {
        EXPECT_EQ(::write(ends[1], bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    void closeWritingEnd() {
        if (ends[1] >= 0) ::close(ends[1]);
        ends[1] = -1;
    }
    int ends[2];
};

std::string readAll(int fd) {
    std::string bytes;
    char byte;
    while (::read(fd, &byte, 1) == 1) bytes += byte;
    return bytes;
}

// How often the loop wakes up during a span of time.
int passesDuring(PollLoop& loop, Clock::duration span) {
    int passes = 0;
    runUntil(
        loop, [&] { return ++passes < 0; }, Clock::now() + span);
    return passes;
}

TEST(PollLoop, RunPendingRunsWhatIsReadyOnce) {
    PollLoop loop;
    Pipe ready, idle;
    std::string read;
    int idleCalls = 0, dueCalls = 0, laterCalls = 0;
    loop.watch(ready.in(), [&] { read += readAll(ready.in()); });
    loop.watch(idle.in(), [&] { ++idleCalls; });
    loop.schedule(Clock::now(), [&] { ++dueCalls; });
    loop.schedule(Clock::now() + 1h, [&] { ++laterCalls; });
    loop.cancel(loop.schedule(Clock::now(), [&] { ++laterCalls; }));
    ready.write("ab");
    loop.runPending();
    loop.runPending();
    EXPECT_EQ(read, "ab");
    EXPECT_EQ(idleCalls, 0);
    EXPECT_EQ(dueCalls, 1);
    EXPECT_EQ(laterCalls, 0);
}

TEST(PollLoop, CallbacksMayRunTheLoopAgainAndUnwatch) {
    PollLoop loop;
    Pipe first, second;
    int secondCalls = 0, secondWatch = 0;
    loop.watch(first.in(), [&] {
        readAll(first.in());
        loop.runPending();  // takes the second pipe's input before the outer pass reaches it
        loop.unwatch(secondWatch);
    });
    secondWatch = loop.watch(second.in(), [&] {
        ++secondCalls;
        readAll(second.in());
    });
    first.write("1");
    second.write("2");
    loop.runPending();
    second.write("2");
    loop.runPending();
    EXPECT_EQ(secondCalls, 1);
}

TEST(PollLoop, DropsHungUpDescriptorsOnceTheirInputIsRead) {
    PollLoop loop;
    Pipe silent, talkative;
    int master = -1, slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    int silentCalls = 0, terminalCalls = 0;
    std::string read;
    loop.watch(silent.in(), [&] { ++silentCalls; });
    loop.watch(slave, [&] { ++terminalCalls; });
    loop.watch(talkative.in(), [&] {
        char byte;
        if (::read(talkative.in(), &byte, 1) == 1) read += byte;
    });
    talkative.write("abc");
    silent.closeWritingEnd();
    talkative.closeWritingEnd();
    ::close(master);
    EXPECT_LE(passesDuring(loop, 300ms), 6);
    EXPECT_EQ(silentCalls, 1);
    EXPECT_EQ(terminalCalls, 1);
    EXPECT_EQ(read, "abc");
    ::close(slave);
}

}  // namespace
}  // namespace velko::posix
