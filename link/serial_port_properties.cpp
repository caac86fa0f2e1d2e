#include "link/serial_port_properties.h"

#include <algorithm>
#include <limits>

#include "control/runtime_error.h"

namespace velko {

namespace {

[[noreturn]] void raiseInvalidPropertyValue() {
    raise(error_number::kInvalidPropertyValue, u"Invalid property value");
}

}  // namespace

void SerialPortProperties::setCommPort(int16_t port) {
    if (portOpen()) {
        raise(error_number::kPortAlreadyOpenOperation,
              u"Operation not valid while the port is opened");
    }
    if (port <= 0) raise(error_number::kInvalidPortNumber, u"Invalid Port Number");
    commPort_ = port;
}

void SerialPortProperties::setSettings(const Text& text) {
    const auto settings = parseLineSettings(toUtf8(text), speedSupported_);
    if (!settings) raiseInvalidPropertyValue();
    if (portOpen()) reconfigure(*settings, handshaking_);
    settings_ = *settings;
}

void SerialPortProperties::setHandshaking(int32_t value) {
    const auto handshaking = handshakingOf(value);
    if (!handshaking) raiseInvalidPropertyValue();
    if (portOpen()) reconfigure(settings_, *handshaking);
    handshaking_ = *handshaking;
}

void SerialPortProperties::setRThreshold(int16_t threshold) {
    if (threshold < 0) raiseInvalidPropertyValue();
    rThreshold_ = threshold;
}

void SerialPortProperties::setPortOpen(bool open) {
    if (open == portOpen()) {
        if (open) raise(error_number::kPortAlreadyOpen, u"Port already open");
        abandonOpening();
        return;
    }
    if (open) {
        openPort();
    } else {
        closePort();
    }
}

int16_t SerialPortProperties::inBufferCount() {
    requireOpen();
    return static_cast<int16_t>(
        std::min<size_t>(waitingCharacters(), std::numeric_limits<int16_t>::max()));
}

void SerialPortProperties::requireOpen() const {
    if (!portOpen()) {
        raise(error_number::kPortNotOpen, u"Operation valid only when the port is open");
    }
}

}  // namespace velko
