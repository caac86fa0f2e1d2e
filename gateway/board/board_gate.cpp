#include "gateway/board/board_gate.h"

#include <algorithm>

#include "gateway/board/request_head.h"

namespace velko::gateway {

namespace {

using Outcome = TcpSocket::Outcome;

// How long the gate stops accepting when the system had no room for a connection.
constexpr std::chrono::milliseconds kAcceptPause{100};
// Connections taken from the queue in one round, so that those already open are served too.
constexpr int kAcceptsPerRound = 64;
// Reads of dropped bytes in one round for one connection.
constexpr int kDrainsPerRound = 8;

}  // namespace

BoardGate::BoardGate(TcpSocket listener, ssl_ctx_st* tls, const GateLimits& limits,
                     Dispatch dispatch, Refusal refusal)
    : listener_(std::move(listener)),
      tls_(tls),
      limits_(limits),
      dispatch_(std::move(dispatch)),
      refusal_(std::move(refusal)) {}

BoardGate::~BoardGate() { stop(); }

void BoardGate::start() {
    thread_ = std::thread([this] { run(); });
}

void BoardGate::stop() {
    stopping_ = true;
    wake_.raise();
    if (thread_.joinable()) thread_.join();
}

void BoardGate::giveBack(std::unique_ptr<BoardConnection> connection, bool keep) {
    {
        const std::lock_guard lock(mutex_);
        givenBack_.emplace_back(std::move(connection), keep);
    }
    wake_.raise();
}

void BoardGate::run() {
    while (!stopping_) {
        try {
            serveRound();
        } catch (const std::exception&) {
            // No memory, or the system cannot wait: what waits is dropped, and the gate goes on
            // with the connections to come.
            for (Waiting& waiting : waiting_) {
                if (waiting.connection) close(waiting);
            }
            waiting_.clear();
        }
    }
}

void BoardGate::serveRound() {
    const SocketClock::time_point before = SocketClock::now();
    const bool listening = before >= pausedUntil_;
    std::vector<SocketWatch> watches{{wake_.handle(), true, false}};
    SocketClock::time_point deadline = listening ? SocketClock::time_point::max() : pausedUntil_;
    for (const Waiting& waiting : waiting_) {
        watches.push_back(
            {waiting.connection->handle(), !waiting.waitsToWrite, waiting.waitsToWrite});
        deadline = std::min(deadline, waiting.deadline);
    }
    if (listening) watches.push_back({listener_.handle(), true, false});
    waitForSockets(watches, deadline);
    if (stopping_) return;

    const SocketClock::time_point now = SocketClock::now();
    const size_t waited = waiting_.size();
    for (size_t i = 0; i < waited; ++i) {
        if (watches[i + 1].ready && waiting_[i].connection) advance(waiting_[i], now);
    }
    for (Waiting& waiting : waiting_) {
        if (waiting.connection && now >= waiting.deadline) close(waiting);
    }
    if (watches.front().ready) {
        wake_.clear();
        takeBack(now);
    }
    if (listening && watches.back().ready) acceptWaiting(now);
    std::erase_if(waiting_, [](const Waiting& waiting) { return !waiting.connection; });
}

void BoardGate::advance(Waiting& waiting, SocketClock::time_point now) {
    switch (waiting.stage) {
        case Stage::Handshake: {
            const BoardConnection::Transfer done = waiting.connection->handshake();
            if (done.outcome == Outcome::WouldBlock) {
                waiting.waitsToWrite = done.waitsToWrite;
            } else if (done.outcome != Outcome::Done) {
                close(waiting);
            } else {
                waiting.stage = Stage::Head;
                waiting.since = now;
                waiting.deadline = now + limits_.idleTime;
                readHead(waiting, now);
            }
            return;
        }
        case Stage::Head:
            readHead(waiting, now);
            return;
        case Stage::Closing:
            drain(waiting);
            return;
    }
}

void BoardGate::readHead(Waiting& waiting, SocketClock::time_point now) {
    BoardConnection& connection = *waiting.connection;
    std::string& received = connection.received;
    for (;;) {
        if (const std::optional<size_t> length = headLength(received)) {
            connection.headLength = *length;
            const std::string address = connection.peer().address;
            try {
                dispatch_(std::move(waiting.connection));
            } catch (const std::exception&) {
                // Nothing could take it: it is closed with its last owner.
                waiting.connection.reset();
                forget(address);
            }
            return;
        }
        if (received.size() >= limits_.headBytes) {
            const std::string refusal = refusal_(overlongHeadStatus(received));
            connection.send(refusal.data(), refusal.size());
            startClosing(waiting, now);
            return;
        }
        const size_t before = received.size();
        received.resize(limits_.headBytes);
        const BoardConnection::Transfer got =
            connection.receive(received.data() + before, limits_.headBytes - before);
        received.resize(before + (got.outcome == Outcome::Done ? got.bytes : 0));
        if (got.outcome == Outcome::WouldBlock) {
            waiting.waitsToWrite = got.waitsToWrite;
            return;
        }
        if (got.outcome != Outcome::Done) {
            close(waiting);
            return;
        }
        if (before == 0) waiting.deadline = now + limits_.headTime;
    }
}

void BoardGate::drain(Waiting& waiting) {
    for (int i = 0; i < kDrainsPerRound; ++i) {
        const BoardConnection::Transfer got =
            waiting.connection->discard(scratch_.data(), scratch_.size());
        if (got.outcome == Outcome::WouldBlock) return;
        if (got.outcome != Outcome::Done) {
            close(waiting);
            return;
        }
    }
}

void BoardGate::startClosing(Waiting& waiting, SocketClock::time_point now) {
    waiting.connection->finishSending();
    waiting.connection->received = std::string();
    waiting.stage = Stage::Closing;
    waiting.since = now;
    waiting.deadline = now + limits_.closingTime;
    waiting.waitsToWrite = false;
}

void BoardGate::waitForRequest(std::unique_ptr<BoardConnection> connection,
                               SocketClock::time_point now) {
    const bool started = !connection->received.empty();
    Waiting& waiting = waiting_.emplace_back(
        Waiting{std::move(connection), Stage::Head, now,
                now + (started ? limits_.headTime : limits_.idleTime), false});
    // What came with the last request, or what TLS holds, announces itself on no socket.
    readHead(waiting, now);
}

void BoardGate::takeBack(SocketClock::time_point now) {
    std::vector<std::pair<std::unique_ptr<BoardConnection>, bool>> given;
    {
        const std::lock_guard lock(mutex_);
        given.swap(givenBack_);
    }
    for (auto& [connection, keep] : given) {
        if (keep) {
            waitForRequest(std::move(connection), now);
        } else {
            Waiting& waiting = waiting_.emplace_back(
                Waiting{std::move(connection), Stage::Closing, now, now, false});
            startClosing(waiting, now);
        }
    }
}

void BoardGate::acceptWaiting(SocketClock::time_point now) {
    for (int i = 0; i < kAcceptsPerRound; ++i) {
        std::optional<TcpSocket::Accepted> accepted = listener_.accept();
        if (!accepted) {
            if (i == 0) pausedUntil_ = now + kAcceptPause;
            return;
        }
        const std::string address = accepted->peer.address;
        if (!makeRoom(address)) continue;
        std::unique_ptr<BoardConnection> connection;
        try {
            connection = std::make_unique<BoardConnection>(std::move(*accepted), tls_);
        } catch (const std::exception&) {
            continue;  // no memory for it: it is closed
        }
        ++connections_;
        ++perAddress_[address];
        const bool handshake = tls_ != nullptr;
        waiting_.push_back({std::move(connection), handshake ? Stage::Handshake : Stage::Head, now,
                            now + (handshake ? limits_.handshakeTime : limits_.idleTime), false});
    }
}

bool BoardGate::makeRoom(const std::string& address) {
    const auto found = perAddress_.find(address);
    if (found != perAddress_.end() && found->second >= limits_.connectionsPerAddress &&
        !evict(&address)) {
        return false;
    }
    return connections_ < limits_.connections || evict(nullptr);
}

// Those already closing go first, then the one that has waited longest for its client.
bool BoardGate::evict(const std::string* address) {
    Waiting* chosen = nullptr;
    for (Waiting& waiting : waiting_) {
        if (!waiting.connection) continue;
        if (address != nullptr && waiting.connection->peer().address != *address) continue;
        const auto rank = [](const Waiting& w) {
            return std::make_pair(w.stage != Stage::Closing, w.since);
        };
        if (chosen == nullptr || rank(waiting) < rank(*chosen)) chosen = &waiting;
    }
    if (chosen == nullptr) return false;
    close(*chosen);
    return true;
}

void BoardGate::close(Waiting& waiting) {
    const std::string address = waiting.connection->peer().address;
    waiting.connection.reset();
    forget(address);
}

void BoardGate::forget(const std::string& address) {
    --connections_;
    const auto found = perAddress_.find(address);
    if (found != perAddress_.end() && --found->second == 0) perAddress_.erase(found);
}

}  // namespace velko::gateway
