#include "platform/posix/posix_serial_port.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "control/runtime_error.h"

namespace velko::posix {

namespace {

[[noreturn]] void raiseInvalidPropertyValue() {
    raise(error_number::kInvalidPropertyValue, u"Invalid property value");
}

}  // namespace

PosixSerialPort::~PosixSerialPort() { closePort(); }

void PosixSerialPort::setCommPort(int16_t port) {
    if (portOpen()) {
        raise(error_number::kPortAlreadyOpenOperation,
              u"Operation not valid while the port is opened");
    }
    if (port <= 0) raise(error_number::kInvalidPortNumber, u"Invalid Port Number");
    commPort_ = port;
}

void PosixSerialPort::setSettings(const Text& text) {
    const auto settings = parseLineSettings(toUtf8(text), speedSupported);
    if (!settings) raiseInvalidPropertyValue();
    if (portOpen()) device_->configure(*settings, handshaking_);
    settings_ = *settings;
}

void PosixSerialPort::setHandshaking(int32_t value) {
    const auto handshaking = handshakingOf(value);
    if (!handshaking) raiseInvalidPropertyValue();
    if (portOpen()) device_->configure(settings_, *handshaking);
    handshaking_ = *handshaking;
}

void PosixSerialPort::setRThreshold(int16_t threshold) {
    if (threshold < 0) raiseInvalidPropertyValue();
    rThreshold_ = threshold;
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
    auto device = std::make_unique<SerialDevice>(ports_.pathOf(commPort_));
    device->configure(settings_, handshaking_);
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

void PosixSerialPort::requireOpen() const {
    if (!portOpen()) {
        raise(error_number::kPortNotOpen, u"Operation valid only when the port is open");
    }
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
    if (arrived > 0 && rThreshold_ > 0 && waiting_.size() >= static_cast<size_t>(rThreshold_)) {
        raiseOnComm();
    }
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
