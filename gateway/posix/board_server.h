#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "gateway/board_broadcast.h"
#include "gateway/board_feed.h"
#include "gateway/board_report.h"

namespace httplib {
class Server;
}

namespace velko::gateway {

// Where and how the board listens (README, "The board").
struct BoardSettings {
    std::string address = "127.0.0.1";
    uint16_t port = 0;
    std::optional<std::string> password;  // every request needs it (user velko) when given
    std::string certFile;                 // HTTPS with this certificate and key when given
    std::string keyFile;
};

// The board: the page and its API (docs/http.md) over HTTP or HTTPS, served by threads of its
// own from read-only connections to the log. The loop's thread only feeds it through feed; what
// goes wrong on the board's threads goes to report.
class BoardServer {
  public:
    // Listens at once; raises std::runtime_error when it cannot.
    BoardServer(const BoardSettings& settings, std::string logPath, BoardFeed& feed,
                BoardReport& report);
    ~BoardServer();
    BoardServer(const BoardServer&) = delete;
    BoardServer& operator=(const BoardServer&) = delete;

    // "http://127.0.0.1:8080/"
    const std::string& url() const { return url_; }

  private:
    void route();

    std::string logPath_;
    BoardFeed& feed_;
    BoardReport& report_;
    std::unique_ptr<httplib::Server> server_;
    std::unique_ptr<BoardBroadcast> broadcast_;
    std::string url_;
    std::atomic<int> streams_{0};
    std::thread thread_;
};

}  // namespace velko::gateway
