#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>

#include "gateway/outputs/line_socket.h"
#include "gateway/system/abandonable_work.h"

namespace velko::gateway {
namespace {

using namespace std::chrono_literals;

TEST(AbandonableWork, AStopLeavesABlockedStepToEndAloneWithWhatItOwns) {
    Wakeup wake;
    std::promise<void> release;
    std::promise<std::string> ended;
    auto owned = std::make_shared<std::string>("owned by the step");
    wake.requestStop();
    EXPECT_THROW(runUnlessStopped(
                     [owned, blocked = release.get_future().share(), &ended] {
                         blocked.wait();
                         ended.set_value(*owned);
                     },
                     wake),
                 ConnectionError);
    owned.reset();
    release.set_value();
    auto result = ended.get_future();
    ASSERT_EQ(result.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(result.get(), "owned by the step");

    Wakeup running;
    int steps = 0;
    runUnlessStopped([&steps] { ++steps; }, running);
    EXPECT_EQ(steps, 1);
}

// A server that accepts and never reads: a long enough line fills the send queues.
TEST(LineSocket, AStopEndsAWriteThatWaitsForRoom) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), size), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    Wakeup wake;
    LineSocket socket("127.0.0.1", ntohs(address.sin_port), wake, 5s);
    wake.requestStop();
    try {
        socket.sendLine(std::string(64 << 20, 'x'));
        ADD_FAILURE() << "the line was taken";
    } catch (const ConnectionError& error) {
        EXPECT_STREQ(error.what(), "stopped");
    }
    ::close(listener);
}

}  // namespace
}  // namespace velko::gateway
