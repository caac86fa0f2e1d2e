#include "support/fake_platform.h"

#include <algorithm>
#include <utility>

#include "control/runtime_error.h"

namespace velko::testing {

void FakeSerialPort::setCommPort(int16_t port) {
    if (open_)
        raise(error_number::kPortAlreadyOpenOperation,
              u"Operation not valid while the port is opened");
    if (port <= 0) raise(error_number::kInvalidPortNumber, u"Invalid Port Number");
    commPort = port;
}

void FakeSerialPort::setSettings(const Text& text) { settings = text; }
void FakeSerialPort::setHandshaking(int32_t value) { handshaking = value; }
void FakeSerialPort::setRThreshold(int16_t value) { rThreshold = value; }

void FakeSerialPort::setPortOpen(bool open) {
    if (open &&
        std::find(missingPorts.begin(), missingPorts.end(), commPort) != missingPorts.end()) {
        raise(error_number::kInvalidPortNumber, u"Invalid Port Number");
    }
    open_ = open;
}

void FakeSerialPort::setOutput(const Text& text) {
    if (!open_) raise(error_number::kPortNotOpen, u"Operation valid only when the port is open");
    if (refuseWrites) raise(error_number::kPortNotOpen, u"The port's device accepts no data");
    written += text;
    writes.push_back(text);
}

int16_t FakeSerialPort::inBufferCount() {
    if (!open_) raise(error_number::kPortNotOpen, u"Operation valid only when the port is open");
    return static_cast<int16_t>(std::min<size_t>(delivering_.size() + waiting_.size(), 32767));
}

Text FakeSerialPort::input() {
    if (!open_) raise(error_number::kPortNotOpen, u"Operation valid only when the port is open");
    if (!delivering_.empty()) return Text(std::exchange(delivering_, {}));
    // Copied rather than moved: a short chunk copies in fewer steps, and the queue keeps its
    // storage for the next.
    Text chunk(waiting_);
    waiting_.clear();
    return chunk;
}

void FakeSerialPort::receive(TextView chunk) {
    if (!delivering_.empty() || !waiting_.empty()) {
        // Behind unread text, or delivered from inside a handler of the chunk before.
        waiting_.append(std::exchange(delivering_, {}));
        waiting_.append(chunk);
        raiseOnComm();
        return;
    }
    delivering_ = chunk;
    // What the handler leaves unread, returning or throwing, is queued before the chunk goes.
    struct QueueUnread {
        FakeSerialPort& port;
        ~QueueUnread() {
            if (!port.delivering_.empty())
                port.waiting_.append(std::exchange(port.delivering_, {}));
        }
    } queueUnread{*this};
    raiseOnComm();
}

void FakeMessageLoop::runPending() {
    auto batch = std::move(pending_);
    pending_.clear();
    for (auto& action : batch) action();
}

void FakeMessageLoop::waitForActivity(Clock::time_point) {
    ++idleCalls;
    if (pending_.empty() && onIdle) onIdle();
}

std::unique_ptr<SerialPort> FakePlatform::createSerialPort() {
    auto port = std::make_unique<FakeSerialPort>();
    lastPort = port.get();
    return port;
}

std::unique_ptr<Timer> FakePlatform::createTimer() {
    auto timer = std::make_unique<FakeTimer>();
    lastTimer = timer.get();
    return timer;
}

}  // namespace velko::testing
