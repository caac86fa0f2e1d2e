#include "gateway/board/board_stream.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace velko::gateway {

using Outcome = TcpSocket::Outcome;

BoardStream::BoardStream(BoardConnection& connection, const SocketSignal& stop,
                         const StreamLimits& limits)
    : connection_(connection),
      stop_(stop),
      limits_(limits),
      bodyDeadline_(SocketClock::now() + limits.bodyTime) {}

bool BoardStream::waitFor(const BoardConnection::Transfer& transfer,
                          SocketClock::time_point deadline) const {
    std::array<SocketWatch, 2> watches{
        {{connection_.handle(), !transfer.waitsToWrite, transfer.waitsToWrite},
         {stop_.handle(), true, false}}};
    return waitForSockets(watches, deadline) && !watches[1].ready;
}

ssize_t BoardStream::spend() {
    spent_ = true;
    return -1;
}

bool BoardStream::is_readable() const {
    if (consumed_ < connection_.received.size() || connection_.holdsReceived()) return true;
    return waitFor({Outcome::WouldBlock, 0, false}, bodyDeadline_);
}

bool BoardStream::is_writable() const { return !writeFailed_; }

ssize_t BoardStream::read(char* data, size_t size) {
    if (spent_) return -1;
    const std::string& received = connection_.received;
    const size_t head = connection_.headLength;
    if (consumed_ < received.size()) {
        const size_t taken = std::min(size, received.size() - consumed_);
        std::memcpy(data, received.data() + consumed_, taken);
        if (consumed_ + taken > head) bodyRead_ += consumed_ + taken - std::max(consumed_, head);
        consumed_ += taken;
        if (bodyRead_ > limits_.bodyBytes) return spend();
        return static_cast<ssize_t>(taken);
    }
    if (bodyRead_ >= limits_.bodyBytes) return spend();
    size = std::min(size, limits_.bodyBytes - bodyRead_);
    for (;;) {
        const BoardConnection::Transfer got = connection_.receive(data, size);
        switch (got.outcome) {
            case Outcome::Done:
                bodyRead_ += got.bytes;
                return static_cast<ssize_t>(got.bytes);
            case Outcome::WouldBlock:
                if (!waitFor(got, bodyDeadline_)) return spend();
                break;
            case Outcome::Ended:
                spent_ = true;
                return 0;
            case Outcome::Failed:
                return spend();
        }
    }
}

ssize_t BoardStream::write(const char* data, size_t size) {
    if (writeFailed_) return -1;
    const SocketClock::time_point deadline = SocketClock::now() + limits_.writeTime;
    for (;;) {
        const BoardConnection::Transfer sent = connection_.send(data, size);
        switch (sent.outcome) {
            case Outcome::Done:
                return static_cast<ssize_t>(sent.bytes);
            case Outcome::WouldBlock:
                if (!waitFor(sent, deadline)) {
                    writeFailed_ = true;
                    return spend();
                }
                break;
            case Outcome::Ended:
            case Outcome::Failed:
                writeFailed_ = true;
                return spend();
        }
    }
}

void BoardStream::get_remote_ip_and_port(std::string& ip, int& port) const {
    ip = connection_.peer().address;
    port = connection_.peer().port;
}

void BoardStream::get_local_ip_and_port(std::string& ip, int& port) const {
    ip = connection_.local().address;
    port = connection_.local().port;
}

void BoardStream::dropConsumed() {
    connection_.received.erase(0, consumed_);
    connection_.headLength = 0;
    consumed_ = 0;
}

}  // namespace velko::gateway
