#include "gateway/outputs/line_socket.h"

#include <exception>
#include <memory>

#include "gateway/system/abandonable_work.h"

namespace velko::gateway {

namespace {

using namespace std::chrono_literals;
using Outcome = TcpSocket::Outcome;

// How long a line may wait for room in a full send queue.
constexpr auto kSendLimit = 10s;

// A name lookup and its result, owned jointly by the connecting thread and the thread that
// looks the name up, which a stop may leave to finish alone.
struct NameLookup {
    std::string host;
    uint16_t port = 0;
    std::optional<HostAddresses> found;
    std::string failure;
};

HostAddresses lookUp(const std::string& host, uint16_t port, const Wakeup& wake) {
    auto lookup = std::make_shared<NameLookup>(host, port);
    runUnlessStopped(
        [lookup] {
            try {
                lookup->found = HostAddresses::lookUp(lookup->host, lookup->port);
            } catch (const std::exception& error) {
                lookup->failure = error.what();
            }
        },
        wake);
    if (!lookup->found) throw ConnectionError(lookup->failure);
    return *lookup->found;
}

TcpSocket connectWithin(const HostAddresses& host, size_t index, const Wakeup& wake,
                        LineSocket::Clock::time_point deadline) {
    TcpSocket socket = TcpSocket::connectTo(host, index);
    // Wakes for new calls leave the attempt going; a stop ends it.
    while (!wake.wait({socket.handle(), false, true}, deadline).ready) {
        wake.throwIfStopRequested();
        if (LineSocket::Clock::now() >= deadline) {
            throw ConnectionError("no connection within the time limit");
        }
    }
    if (const auto failure = socket.connectFailure()) throw ConnectionError(*failure);
    return socket;
}

}  // namespace

LineSocket::LineSocket(const std::string& host, uint16_t port, const Wakeup& wake,
                       std::chrono::milliseconds limit)
    : wake_(wake) {
    const HostAddresses addresses = lookUp(host, port, wake_);
    const auto deadline = Clock::now() + limit;
    std::string reason;
    for (size_t index = 0; index < addresses.size() && socket_.handle() == TcpSocket::kNoHandle;
         ++index) {
        try {
            socket_ = connectWithin(addresses, index, wake_, deadline);
        } catch (const ConnectionError& error) {
            wake_.throwIfStopRequested();
            reason = error.what();
        }
    }
    if (socket_.handle() == TcpSocket::kNoHandle) throw ConnectionError(reason);
    socket_.acknowledgeAtOnce();
}

void LineSocket::sendLine(std::string_view line) {
    const std::string whole = std::string(line) + "\r\n";
    std::string_view left = whole;
    const auto deadline = Clock::now() + kSendLimit;
    for (;;) {
        const TcpSocket::Transfer sent = socket_.send(left.data(), left.size());
        if (sent.outcome == Outcome::Done) left.remove_prefix(sent.bytes);
        if (left.empty()) return;
        if (sent.outcome == Outcome::Ended || sent.outcome == Outcome::Failed) {
            throw ConnectionError(sent.reason);
        }
        // A full send queue: the line, or the rest of a line the queue took only in part, waits
        // for room.
        wake_.throwIfStopRequested();
        if (Clock::now() >= deadline) throw ConnectionError("the server takes no data");
        wake_.wait({socket_.handle(), false, true}, deadline);
    }
}

std::optional<std::string> LineSocket::readLine(Clock::time_point deadline) {
    for (;;) {
        const size_t end = received_.find('\n', searched_);
        if (end != std::string::npos) {
            std::string line = received_.substr(0, end);
            received_.erase(0, end + 1);
            searched_ = 0;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }
        searched_ = received_.size();
        if (received_.size() > kLongestLine) {
            throw ConnectionError("the server sent a line longer than " +
                                  std::to_string(kLongestLine / 1024) + " KiB");
        }
        if (!wake_.wait({socket_.handle(), true, false}, deadline).ready) return std::nullopt;
        char bytes[4096];
        const TcpSocket::Transfer got = socket_.receive(bytes, sizeof bytes);
        if (got.outcome == Outcome::Done) {
            received_.append(bytes, got.bytes);
            // The server writes its answer and its echo of a call as two small writes; with
            // Nagle's rule on its side the second waits for this end's acknowledgement, which the
            // system would delay by up to 40 ms.
            socket_.acknowledgeAtOnce();
        } else if (got.outcome == Outcome::Ended && got.reason.empty()) {
            throw ConnectionError("the server closed the connection");
        } else if (got.outcome != Outcome::WouldBlock) {
            throw ConnectionError(got.reason);
        }
    }
}

}  // namespace velko::gateway
