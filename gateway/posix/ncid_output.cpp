#include "gateway/posix/ncid_output.h"

#include <functional>
#include <optional>

#include "gateway/ncid_lines.h"
#include "gateway/posix/line_socket.h"

namespace velko::gateway {

namespace {

using namespace std::chrono_literals;
using Clock = LineSocket::Clock;

constexpr auto kConnectLimit = 5s;
constexpr auto kAnswerLimit = 10s;

// Ends a wait the moment the output is asked to stop.
class Stopped {};

}  // namespace

NcidOutput::NcidOutput(NcidSettings settings, LoopAccess& loop, OutputEvents& events)
    : settings_(std::move(settings)), loop_(loop), events_(events) {
    thread_ = std::thread([this] { run(); });
}

NcidOutput::~NcidOutput() { stop(); }

void NcidOutput::deliver(const Call& call) { enqueue({ncidCallLine(call), call.id, false}); }

void NcidOutput::callFinished(const FinishedCall& finished) {
    enqueue({ncidHangUpLine(finished), finished.call.id, true});
}

void NcidOutput::stop() {
    if (!thread_.joinable()) return;
    stopping_ = true;
    wake_.wake();
    thread_.join();
}

void NcidOutput::enqueue(Waiting waiting) {
    {
        const std::lock_guard lock(mutex_);
        waiting_.push_back(std::move(waiting));
    }
    wake_.wake();
}

void NcidOutput::tell(bool up, const std::string& reason) {
    loop_.post([this, up, reason] { events_.connectionChanged(name(), up, reason); });
}

void NcidOutput::run() {
    while (!stopping_) {
        try {
            connectAndServe();
        } catch (const Stopped&) {
            return;
        } catch (const ConnectionError& error) {
            if (stopping_) return;
            // A reason is told once, not at every attempt.
            if (error.what() != lastReason_) tell(false, error.what());
            lastReason_ = error.what();
        }
        // New calls wake the wait too; only a stop shortens it.
        const auto deadline = Clock::now() + retry_.wait();
        while (!stopping_ && Clock::now() < deadline) wake_.waitUntil(deadline);
        retry_.failed();
    }
}

void NcidOutput::connectAndServe() {
    LineSocket socket(settings_.host, settings_.port, wake_, kConnectLimit);
    // Reads lines until one satisfies wanted; what the server says meanwhile (the greeting,
    // the call log, the echo of every call) is read and left.
    const auto await = [&](const std::function<bool(const std::string&)>& wanted,
                           const char* missing) {
        const auto deadline = Clock::now() + kAnswerLimit;
        for (;;) {
            if (stopping_) throw Stopped();
            const auto line = socket.readLine(deadline);
            if (line && wanted(*line)) return;
            if (!line && Clock::now() >= deadline) throw ConnectionError(missing);
        }
    };
    // The server waits only a few milliseconds for HELLO lines after its greeting.
    socket.sendLine(ncidHello(settings_.version));
    await([](const std::string& line) { return line.starts_with("300 "); },
          "the server's greeting did not end");
    socket.sendLine("REQ: ACK");
    await([](const std::string& line) { return line == "ACK: REQ: ACK"; },
          "the server did not take acknowledgement mode");
    tell(true, "");
    lastReason_.clear();
    retry_.connected();
    for (;;) {
        if (stopping_) throw Stopped();
        std::optional<Waiting> next;
        {
            const std::lock_guard lock(mutex_);
            if (!waiting_.empty()) next = waiting_.front();
        }
        if (!next) {
            socket.readLine(Clock::time_point::max());
            continue;
        }
        socket.sendLine(next->line);
        const std::string acknowledgement = "ACK: " + next->line;
        await([&](const std::string& line) { return line == acknowledgement; },
              "the server did not acknowledge a line");
        {
            const std::lock_guard lock(mutex_);
            waiting_.pop_front();
        }
        loop_.post([this, id = next->callId, hangUp = next->hangUp] {
            if (hangUp) {
                events_.hangUpDelivered(name(), id);
            } else {
                events_.delivered(name(), id);
            }
        });
    }
}

}  // namespace velko::gateway
