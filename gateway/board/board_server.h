#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "gateway/board/board_broadcast.h"
#include "gateway/board/board_feed.h"
#include "gateway/board/board_report.h"
#include "gateway/system/socket_wait.h"

namespace velko::gateway {

class BoardConnection;
class BoardGate;
class BoardHttp;
class BoardWorkers;
class TlsContext;

// Where and how the board listens (README, "The board").
struct BoardSettings {
    std::string address = "127.0.0.1";
    uint16_t port = 0;                    // 0: one the system chooses
    std::optional<std::string> password;  // every request needs it (user velko) when given
    std::string certFile;                 // HTTPS with this certificate and key when given
    std::string keyFile;
};

// The board: the page and its API (docs/http.md) over HTTP or HTTPS, from read-only connections
// to the log. The gate (board_gate.h) holds the connections that wait for their browser and
// bounds what each may send; the workers (board_workers.h) answer the requests through the HTTP
// library, an event stream holding its worker for its life. The loop's thread only feeds the
// board through feed; what goes wrong on the board's threads goes to report.
class BoardServer {
  public:
    // Listens at once; raises std::runtime_error when it cannot.
    BoardServer(const BoardSettings& settings, std::string logPath, BoardFeed& feed,
                BoardReport& report);
    // Closes the feed and ends every wait of the board's threads within moments, whatever the
    // browsers do.
    ~BoardServer();
    BoardServer(const BoardServer&) = delete;
    BoardServer& operator=(const BoardServer&) = delete;

    // "http://127.0.0.1:8080/"
    const std::string& url() const { return url_; }

  private:
    void route();
    void answer(std::unique_ptr<BoardConnection> connection);

    std::string logPath_;
    BoardFeed& feed_;
    BoardReport& report_;
    std::unique_ptr<BoardHttp> server_;
    std::unique_ptr<TlsContext> tls_;
    std::unique_ptr<BoardBroadcast> broadcast_;
    std::string url_;
    std::atomic<int> streams_{0};
    SocketSignal stopped_;
    std::atomic<bool> stopping_{false};
    std::unique_ptr<BoardWorkers> workers_;
    std::unique_ptr<BoardGate> gate_;
};

}  // namespace velko::gateway
