#include "platform/posix/posix_serial_port.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "control/runtime_error.h"

namespace velko::posix {

PosixSerialPort::~PosixSerialPort() { closePort(); }

void PosixSerialPort::reconfigure(const LineSettings& settings, Handshaking handshaking) {
    device_->configure(settings, handshaking);
}

void PosixSerialPort::setPortOpen(bool open) {
    if (open) {
        openPort();
    } else {
        closePort();
    }
}

void PosixSerialPort::openPort() {
    if (portOpen()) raise(error_number::kPortAlreadyOpen, u"Port already open");
    auto device = std::make_unique<SerialDevice>(ports_.pathOf(commPort()));
    device->configure(settings(), handshaking());
    device_ = std::move(device);
    watch_ = loop_.watch(device_->fd(), [this] { receive(); });
}

void PosixSerialPort::closePort() {
    if (!portOpen()) return;
    loop_.unwatch(watch_);
    device_.reset();
    decoder_.reset();
    waiting_.clear();
}

void PosixSerialPort::setOutput(const Text& text) {
    requireOpen();
    device_->writeAll(encodeCp949(text));
}

int16_t PosixSerialPort::inBufferCount() {
    requireOpen();
    takeArrivedCharacters();
    return static_cast<int16_t>(
        std::min<size_t>(waiting_.size(), std::numeric_limits<int16_t>::max()));
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
