#pragma once

#include <httplib.h>

#include <chrono>
#include <cstddef>

#include "gateway/board/board_connection.h"
#include "gateway/system/socket_wait.h"

namespace velko::gateway {

// What a request may take of a worker: the bytes after its head, and how long a read of them or
// a write of the answer may wait.
struct StreamLimits {
    size_t bodyBytes = 0;
    std::chrono::milliseconds bodyTime{0};   // for the whole body, from the head's end
    std::chrono::milliseconds writeTime{0};  // for each write that makes no progress
};

// One request's bytes for the HTTP library: first the head the gate collected (and what came
// after it), then the connection itself, up to the body's bound. Every wait ends at its deadline
// or when `stop` is raised. A read that fails, waits too long, goes past the body's bound or
// finds the far end's end of stream spends the connection: it cannot carry another request. A
// write that fails spends it too, and every write after it fails at once.
class BoardStream final : public httplib::Stream {
  public:
    BoardStream(BoardConnection& connection, const SocketSignal& stop, const StreamLimits& limits);

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* data, size_t size) override;
    ssize_t write(const char* data, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    socket_t socket() const override { return connection_.handle(); }

    bool spent() const { return spent_; }
    // Leaves in the connection only what the request did not read: the next request's start.
    void dropConsumed();

  private:
    // Waits until the connection can go on as the transfer asked, the deadline passes or the
    // stop comes: false for the last two.
    bool waitFor(const BoardConnection::Transfer& transfer, SocketClock::time_point deadline) const;
    ssize_t spend();

    BoardConnection& connection_;
    const SocketSignal& stop_;
    const StreamLimits limits_;
    const SocketClock::time_point bodyDeadline_;
    size_t consumed_ = 0;  // of connection_.received
    size_t bodyRead_ = 0;  // bytes read after the head
    bool spent_ = false;
    bool writeFailed_ = false;
};

}  // namespace velko::gateway
