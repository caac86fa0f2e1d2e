#include "platform/posix/posix_serial_port.h"

#include <algorithm>
#include <utility>

namespace velko::posix {

namespace {

// The most bytes taken from the device at a time, and the characters that wait before the
// device is left to keep the rest.
constexpr size_t kPiece = 4096;

}  // namespace

PosixSerialPort::~PosixSerialPort() {
    if (portOpen()) closePort();
}

void PosixSerialPort::reconfigure(const LineSettings& settings, Handshaking handshaking) {
    device_->configure(settings, handshaking);
}

void PosixSerialPort::openPort() {
    auto device = std::make_unique<SerialDevice>(ports_.pathOf(commPort()));
    device->configure(settings(), handshaking());
    device_ = std::move(device);
    updateWatch();
}

void PosixSerialPort::closePort() {
    if (watch_ != 0) loop_.unwatch(watch_);
    watch_ = 0;
    device_.reset();
    decoder_.reset();
    waiting_.clear();
}

void PosixSerialPort::setOutput(const Text& text) {
    requireOpen();
    device_->writeAll(encoder_.encode(text));
}

size_t PosixSerialPort::waitingCharacters() {
    takeArrivedCharacters();
    return waiting_.size();
}

Text PosixSerialPort::input() {
    requireOpen();
    takeArrivedCharacters();
    Text taken = std::exchange(waiting_, Text{});
    updateWatch();
    return taken;
}

void PosixSerialPort::receive() {
    const size_t arrived = takeArrivedCharacters();
    if (arrived > 0 && thresholdReached(waiting_.size())) raiseOnComm();
}

size_t PosixSerialPort::takeArrivedCharacters() {
    if (waitIsFull()) return 0;
    std::string bytes;
    device_->readAvailable(bytes, kPiece);
    const Text arrived = decoder_.decode(bytes);
    waiting_ += arrived;
    updateWatch();
    return arrived.size();
}

bool PosixSerialPort::waitIsFull() const {
    return waiting_.size() >= std::max<size_t>(kPiece, rThreshold());
}

void PosixSerialPort::updateWatch() {
    const bool wanted = portOpen() && !device_->gone() && !waitIsFull();
    if (wanted && watch_ == 0) {
        watch_ = loop_.watch(device_->fd(), [this] { receive(); });
    } else if (!wanted && watch_ != 0) {
        loop_.unwatch(watch_);
        watch_ = 0;
    }
}

}  // namespace velko::posix
