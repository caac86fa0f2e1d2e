#include "gateway/outputs/ncid_output.h"

#include <functional>
#include <optional>
#include <utility>

#include "gateway/outputs/line_socket.h"
#include "gateway/outputs/ncid_lines.h"

namespace velko::gateway {

namespace {

using namespace std::chrono_literals;
using Clock = LineSocket::Clock;

constexpr auto kConnectLimit = 5s;
constexpr auto kServerAnswerLimit = 10s;

}  // namespace

NcidOutput::NcidOutput(NcidSettings settings, LoopAccess& loop, OutputEvents& events)
    : ReconnectingOutput(loop, events), settings_(std::move(settings)) {
    start();
}

NcidOutput::~NcidOutput() { stop(); }

void NcidOutput::deliver(const Call& call) { enqueue({ncidCallLine(call), call.id, false}); }

void NcidOutput::callFinished(const FinishedCall& finished) {
    enqueue({ncidHangUpLine(finished), finished.call.id, true});
}

void NcidOutput::enqueue(Waiting waiting) {
    {
        const std::lock_guard lock(mutex_);
        waiting_.push_back(std::move(waiting));
    }
    wake().wake();
}

void NcidOutput::serve() {
    LineSocket socket(settings_.host, settings_.port, wake(), kConnectLimit);
    // Reads lines until one satisfies wanted; what the server says meanwhile (the greeting,
    // the call log, the echo of every call) is read and left.
    const auto await = [&](const std::function<bool(const std::string&)>& wanted,
                           const char* missing) {
        const auto deadline = Clock::now() + kServerAnswerLimit;
        for (;;) {
            wake().throwIfStopRequested();
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
    connectionUp();
    for (;;) {
        wake().throwIfStopRequested();
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
        reportDelivered(next->callId, next->hangUp);
    }
}

}  // namespace velko::gateway
