#include "platform/posix/posix_serial_port.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "control/runtime_error.h"

namespace velko::posix {

namespace {

// The most bytes taken from the device at a time, and the characters that wait before the
// device is left to keep the rest.
constexpr size_t kPiece = 4096;

}  // namespace

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
    updateWatch();
}

void PosixSerialPort::closePort() {
    if (!portOpen()) return;
    if (watch_ != 0) loop_.unwatch(watch_);
    watch_ = 0;
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
