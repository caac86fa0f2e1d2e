#include "gateway/outputs/reconnecting_output.h"

#include <stdexcept>

namespace velko::gateway {

ReconnectingOutput::ReconnectingOutput(LoopAccess& loop, OutputEvents& events)
    : loop_(loop), events_(events) {}

ReconnectingOutput::~ReconnectingOutput() { stop(); }

void ReconnectingOutput::start() {
    thread_ = std::thread([this] { run(); });
}

void ReconnectingOutput::stop() {
    if (!thread_.joinable()) return;
    wake_.requestStop();
    thread_.join();
}

void ReconnectingOutput::connectionUp() {
    up_ = true;
    lastReason_.clear();
    retry_.connected();
    tell(true, "");
}

void ReconnectingOutput::reportDelivered(int64_t callId, bool hangUp) {
    loop_.post([this, callId, hangUp] {
        if (hangUp) {
            events_.hangUpDelivered(name(), callId);
        } else {
            events_.delivered(name(), callId);
        }
    });
}

void ReconnectingOutput::tell(bool up, const std::string& reason) {
    loop_.post([this, up, reason] { events_.connectionChanged(name(), up, reason); });
}

void ReconnectingOutput::run() {
    while (!stopping()) {
        try {
            serve();
        } catch (
            const std::runtime_error& error) {  // ConnectionError, or a wait the system refused
            if (stopping()) return;
            if (up_ || error.what() != lastReason_) tell(false, error.what());
            lastReason_ = error.what();
        }
        up_ = false;
        connectionEnded();
        // New calls wake the wait too; only a stop shortens it.
        const auto deadline = Wakeup::Clock::now() + retry_.wait();
        while (!stopping() && Wakeup::Clock::now() < deadline) wake_.waitUntil(deadline);
        retry_.failed();
    }
}

}  // namespace velko::gateway
