#include "platform/posix/posix_serial_port.h"

#include <utility>

namespace velko::posix {

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
    watch_ = loop_.watch(device_->fd(), [this] { receive(); });
}

void PosixSerialPort::closePort() {
    loop_.unwatch(watch_);
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
    return std::exchange(waiting_, Text{});
}

void PosixSerialPort::receive() {
    const size_t arrived = takeArrivedCharacters();
    if (arrived > 0 && thresholdReached(waiting_.size())) raiseOnComm();
}

size_t PosixSerialPort::takeArrivedCharacters() {
    std::string bytes;
    device_->readAvailable(bytes);
    if (device_->gone()) loop_.unwatch(watch_);
    const Text arrived = decoder_.decode(bytes);
    waiting_ += arrived;
    return arrived.size();
}

}  // namespace velko::posix
