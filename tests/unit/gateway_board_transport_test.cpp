#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "gateway/board/board_host.h"
#include "gateway/board/board_server.h"
#include "gateway/board/board_workers.h"
#include "gateway/board/request_head.h"
#include "gateway/log/call_log.h"
#include "unit/gateway_log_folder.h"

namespace velko::gateway {
namespace {

using namespace std::chrono_literals;

TEST(RequestHead, EndsAtTheFirstLineThatIsCrLfAloneAsTheHttpLibraryReadsIt) {
    EXPECT_EQ(headLength("GET / HTTP/1.1\r\nHost: a\r\n\r\n"), 27u);
    // What follows the head (a body, the next request) is not part of it.
    EXPECT_EQ(headLength("GET / HTTP/1.1\r\n\r\nGET /next HTTP/1.1\r\n\r\n"), 18u);
    // A header line ended by LF alone still ends a line; the head needs CR LF alone after it.
    EXPECT_EQ(headLength("GET / HTTP/1.1\nHost: a\n\r\n"), 25u);
    EXPECT_EQ(headLength("GET / HTTP/1.1\r\nHost: a\r\n\n"), std::nullopt);
    EXPECT_EQ(headLength("GET / HTTP/1.1\r\nHost: a\r\n"), std::nullopt);
    EXPECT_EQ(headLength(""), std::nullopt);

    EXPECT_EQ(overlongHeadStatus(std::string(9000, 'a')), 414);
    EXPECT_EQ(overlongHeadStatus("GET / HTTP/1.1\r\nX: " + std::string(9000, 'a')), 431);
}

TEST(BoardHost, OnlyThisMachinesNamesWithAnyPortOrNone) {
    for (const char* host : {"localhost", "localhost:8080", "board.localhost:1", "127.0.0.1",
                             "127.0.0.1:8080", "[::1]", "[::1]:8080", "127.0.0.2:80"}) {
        EXPECT_TRUE(isBoardHost(host, "127.0.0.1")) << host;
    }
    EXPECT_TRUE(isBoardHost("[::ffff:127.0.0.1]:9", "::1"));
    for (const char* host : {"evil.example", "evil.example:8080", "127.0.0.1.evil.example",
                             "localhost:http", "[::1", "[::1]x", "::1", "", ":8080"}) {
        EXPECT_FALSE(isBoardHost(host, "127.0.0.1")) << host;
    }
}

// Connections accepted from the board's own listening socket, each with its client's end.
class Connections {
  public:
    Connections() : listener_(TcpSocket::listenOn("127.0.0.1", 0)) {}
    ~Connections() {
        for (const int client : clients_) ::close(client);
    }

    std::unique_ptr<BoardConnection> next() {
        const int client = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(listener_.local().port);
        ::inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
        EXPECT_EQ(::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        clients_.push_back(client);
        std::optional<TcpSocket::Accepted> accepted = listener_.accept();
        EXPECT_TRUE(accepted);
        return std::make_unique<BoardConnection>(std::move(*accepted), nullptr);
    }

  private:
    TcpSocket listener_;
    std::vector<int> clients_;
};

// Waits, with a deadline, until the condition holds.
bool eventually(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

TEST(BoardWorkers, MakeThreadsAsWorkComesUpToTheirMostAndEndThemOnceIdle) {
    std::mutex mutex;
    std::condition_variable changed;
    int serving = 0;
    int served = 0;
    bool release = false;
    BoardWorkers workers(2, 100ms, [&](std::unique_ptr<BoardConnection>) {
        std::unique_lock lock(mutex);
        ++serving;
        changed.notify_all();
        changed.wait(lock, [&] { return release; });
        --serving;
        ++served;
        changed.notify_all();
    });
    EXPECT_EQ(workers.threads(), 0u);
    Connections connections;
    for (int i = 0; i < 3; ++i) workers.serve(connections.next());
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, 5s, [&] { return serving == 2; }));
    }
    // The third waits for a thread: no more than two are made.
    EXPECT_EQ(workers.threads(), 2u);
    {
        std::unique_lock lock(mutex);
        release = true;
        changed.notify_all();
        ASSERT_TRUE(changed.wait_for(lock, 5s, [&] { return served == 3; }));
    }
    EXPECT_TRUE(eventually([&] { return workers.threads() == 0; }));
    workers.serve(connections.next());
    EXPECT_TRUE(eventually([&] { return workers.threads() == 0; }));
    std::unique_lock lock(mutex);
    EXPECT_EQ(served, 4);
}

// Ends the whole run when the work it guards does not end in time: a hang is caught no other way.
class Watchdog {
  public:
    Watchdog(std::chrono::seconds limit, const char* what)
        : thread_([this, limit, what] {
              std::unique_lock lock(mutex_);
              if (!ended_.wait_for(lock, limit, [this] { return done_; })) {
                  std::fprintf(stderr, "%s: still running after %lld s\n", what,
                               static_cast<long long>(limit.count()));
                  std::_Exit(1);
              }
          }) {}
    ~Watchdog() {
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        ended_.notify_all();
        thread_.join();
    }

  private:
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    std::thread thread_;
};

class BoardServerStop : public LogFolder {};

TEST_F(BoardServerStop, EndsWithinASecondHoweverSoonAfterItStarted) {
    { CallLog log(path_, CallLog::Durability::ProcessSafe); }
    const Watchdog watchdog(60s, "a board stopped as soon as it started");
    BoardReport report([](const BoardNotice&) {});
    for (int i = 0; i < 100; ++i) {
        BoardFeed feed("shop", {});
        const auto started = std::chrono::steady_clock::now();
        { const BoardServer board(BoardSettings{}, path_, feed, report); }
        ASSERT_LT(std::chrono::steady_clock::now() - started, 1s) << "round " << i;
    }
}

}  // namespace
}  // namespace velko::gateway
