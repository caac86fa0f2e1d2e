#include "platform/posix/posix_serial_port.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "control/runtime_error.h"
#include "link/device_refusal.h"
#include "link/port_diagnostics.h"

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
    watch_ = loop_.watch(device_->fd(), [this] { receive(); });
}

void PosixSerialPort::closePort() {
    if (!portOpen()) return;
    loop_.unwatch(watch_);
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
    const std::string bytes = encodeCp949(text);
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

// What arrived before a hang-up is handed over first; the handler may close the port.
void PosixSerialPort::receive() {
    const size_t arrived = takeArrivedCharacters();
    if (arrived > 0 && thresholdReached(waiting_.size())) raiseOnComm();
    if (portOpen() && device_->gone()) dropVanishedDevice();
}

size_t PosixSerialPort::takeArrivedCharacters() {
    std::string bytes;
    device_->readAvailable(bytes);
    const Text arrived = decoder_.decode(bytes);
    waiting_ += arrived;
    return arrived.size();
}

}  // namespace velko::posix
