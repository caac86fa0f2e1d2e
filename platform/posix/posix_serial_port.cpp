#include "platform/posix/posix_serial_port.h"

#include <algorithm>
#include <utility>

#include "control/runtime_error.h"
#include "link/device_refusal.h"
#include "link/port_diagnostics.h"

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
    const std::string path = ports_.pathOf(commPort());
    try {
        auto device = std::make_unique<SerialDevice>(path);
        device->configure(settings(), handshaking());
        device_ = std::move(device);
    } catch (const DeviceRefusal& refusal) {
        raiseDiagnostic(openFailedDiagnostic(fromUtf8(path), refusal.reason()));
        throw;
    }
    path_ = path;
    updateWatch();
}

void PosixSerialPort::closePort() {
    if (watch_ != 0) loop_.unwatch(watch_);
    watch_ = 0;
    device_.reset();
    decoder_.reset();
    waiting_.clear();
}

// The port is closed before the diagnostic goes out, so that whoever hears it finds it closed.
void PosixSerialPort::dropVanishedDevice() {
    const Text diagnostic = deviceGoneDiagnostic(fromUtf8(path_), device_->goneReason());
    closePort();
    raiseDiagnostic(diagnostic);
}

void PosixSerialPort::setOutput(const Text& text) {
    requireOpen();
    const std::string bytes = encoder_.encode(text);
    try {
        device_->writeAll(bytes);
    } catch (const RuntimeError&) {
        if (device_->gone()) dropVanishedDevice();
        throw;
    }
    if (const size_t replaced = replacedCharacters(text, bytes)) {
        raiseDiagnostic(replacedCharactersDiagnostic(replaced));
    }
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

// What arrived before a hang-up is handed over first; the handler may close the port.
void PosixSerialPort::receive() {
    const size_t arrived = takeArrivedCharacters();
    if (arrived > 0 && thresholdReached(waiting_.size())) raiseOnComm();
    if (portOpen() && device_->gone()) dropVanishedDevice();
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
    const bool wanted = portOpen() && !waitIsFull();
    if (wanted && watch_ == 0) {
        watch_ = loop_.watch(device_->fd(), [this] { receive(); });
    } else if (!wanted && watch_ != 0) {
        loop_.unwatch(watch_);
        watch_ = 0;
    }
}

}  // namespace velko::posix
