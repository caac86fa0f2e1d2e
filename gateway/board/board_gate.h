#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gateway/board/board_connection.h"
#include "gateway/system/socket_wait.h"

struct ssl_ctx_st;

namespace velko::gateway {

// What the gate lets a browser have.
struct GateLimits {
    size_t headBytes = 0;                        // a request's line and headers
    std::chrono::milliseconds idleTime{0};       // before a request's first byte
    std::chrono::milliseconds headTime{0};       // from its first byte to its head's end
    std::chrono::milliseconds handshakeTime{0};  // TLS, from the connection
    std::chrono::milliseconds closingTime{0};    // to read what comes after a last answer
    size_t connections = 0;                      // in all, served or waiting
    size_t connectionsPerAddress = 0;
};

// The board's front: one thread that accepts connections, makes their TLS handshakes and
// collects each request's head, all without blocking, and hands every connection whose head is
// whole to `dispatch`, which answers it on another thread and gives it back. While a
// connection waits for its client it holds no thread, only its socket and at most headBytes.
//
// A connection that does not finish its handshake or its head in time, or whose head outgrows
// headBytes (answered with `refusal` of 414 or 431), is closed; after a last answer or a refusal
// the gate reads and drops what the client still sends for closingTime, so that the client reads
// the answer before the connection closes. When a new connection would pass a limit, the one of
// that address (or any, for the limit in all) that has waited longest for its client makes room;
// when none waits, the new one is closed at once.
class BoardGate {
  public:
    using Dispatch = std::function<void(std::unique_ptr<BoardConnection>)>;
    // The whole answer (status line, headers, body) that refuses a request with the status.
    using Refusal = std::function<std::string(int status)>;

    // tls: the TLS settings when the board serves HTTPS.
    BoardGate(TcpSocket listener, ssl_ctx_st* tls, const GateLimits& limits, Dispatch dispatch,
              Refusal refusal);
    // Stops.
    ~BoardGate();
    BoardGate(const BoardGate&) = delete;
    BoardGate& operator=(const BoardGate&) = delete;

    // Starts the thread; raises std::system_error when it cannot.
    void start();
    // Ends the thread within moments and closes the connections it holds; those given back
    // afterwards are closed with the gate.
    void stop();
    // A connection back from its answer, from any thread: it waits for its next request when
    // keep, else it is closed.
    void giveBack(std::unique_ptr<BoardConnection> connection, bool keep);

  private:
    enum class Stage { Handshake, Head, Closing };
    struct Waiting {
        std::unique_ptr<BoardConnection> connection;  // none once closed or dispatched
        Stage stage = Stage::Head;
        SocketClock::time_point since;     // when it began to wait for its client
        SocketClock::time_point deadline;  // when it is closed
        bool waitsToWrite = false;
    };

    void run();
    void serveRound();
    void advance(Waiting& waiting, SocketClock::time_point now);
    void readHead(Waiting& waiting, SocketClock::time_point now);
    void drain(Waiting& waiting);
    void startClosing(Waiting& waiting, SocketClock::time_point now);
    void waitForRequest(std::unique_ptr<BoardConnection> connection, SocketClock::time_point now);
    void acceptWaiting(SocketClock::time_point now);
    bool makeRoom(const std::string& address);
    bool evict(const std::string* address);
    void close(Waiting& waiting);
    void forget(const std::string& address);
    void takeBack(SocketClock::time_point now);

    const TcpSocket listener_;
    ssl_ctx_st* const tls_;
    const GateLimits limits_;
    const Dispatch dispatch_;
    const Refusal refusal_;
    const SocketSignal wake_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;

    // The gate's thread's alone.
    std::vector<Waiting> waiting_;
    size_t connections_ = 0;
    std::map<std::string, size_t> perAddress_;
    SocketClock::time_point pausedUntil_;  // no accepting before
    std::array<char, 16384> scratch_{};

    std::mutex mutex_;
    std::vector<std::pair<std::unique_ptr<BoardConnection>, bool>> givenBack_;
};

}  // namespace velko::gateway
