#include "platform/win32/runtime/win32_serial_port.h"

#include <algorithm>
#include <limits>

#include "control/runtime_error.h"
#include "platform/win32/runtime/cp949_codec.h"

namespace velko::win32 {

namespace {

[[noreturn]] void raiseInvalidPropertyValue() {
    raise(error_number::kInvalidPropertyValue, u"Invalid property value");
}

}  // namespace

Win32SerialPort::Win32SerialPort(MessageWindow& window)
    : window_(window), notification_(window.subscribe([this] { notified(); })) {}

Win32SerialPort::~Win32SerialPort() {
    closePort();
    window_.unsubscribe(notification_);
}

void Win32SerialPort::setCommPort(int16_t port) {
    if (portOpen()) {
        raise(error_number::kPortAlreadyOpenOperation,
              u"Operation not valid while the port is opened");
    }
    if (port <= 0) raise(error_number::kInvalidPortNumber, u"Invalid Port Number");
    commPort_ = port;
}

void Win32SerialPort::setSettings(const Text& text) {
    const auto settings = parseLineSettings(toUtf8(text), speedSupported);
    if (!settings) raiseInvalidPropertyValue();
    if (portOpen()) device_->configure(*settings, handshaking_);
    settings_ = *settings;
}

void Win32SerialPort::setHandshaking(int32_t value) {
    const auto handshaking = handshakingOf(value);
    if (!handshaking) raiseInvalidPropertyValue();
    if (portOpen()) device_->configure(settings_, *handshaking);
    handshaking_ = *handshaking;
}

void Win32SerialPort::setRThreshold(int16_t threshold) {
    if (threshold < 0) raiseInvalidPropertyValue();
    rThreshold_ = threshold;
}

void Win32SerialPort::setPortOpen(bool open) {
    if (open) {
        openPort();
    } else {
        closePort();
    }
}

void Win32SerialPort::openPort() {
    if (portOpen()) raise(error_number::kPortAlreadyOpen, u"Port already open");
    queue_.clear();
    device_ = std::make_unique<CommDevice>(commPort_, settings_, handshaking_,
                                           [this](std::string_view bytes) { received(bytes); });
}

void Win32SerialPort::closePort() {
    device_.reset();
    queue_.clear();
}

void Win32SerialPort::requireOpen() const {
    if (!portOpen()) {
        raise(error_number::kPortNotOpen, u"Operation valid only when the port is open");
    }
}

void Win32SerialPort::setOutput(const Text& text) {
    requireOpen();
    device_->write(encodeCp949(text));
}

int16_t Win32SerialPort::inBufferCount() {
    requireOpen();
    return static_cast<int16_t>(
        std::min<size_t>(queue_.size(), std::numeric_limits<int16_t>::max()));
}

Text Win32SerialPort::input() {
    requireOpen();
    return queue_.takeAll();
}

// The reader's thread.
void Win32SerialPort::received(std::string_view bytes) {
    if (queue_.push(bytes) && !window_.post(notification_)) queue_.notificationTaken();
}

void Win32SerialPort::notified() {
    queue_.notificationTaken();
    if (!portOpen() || rThreshold_ == 0) return;
    if (queue_.size() >= static_cast<size_t>(rThreshold_)) raiseOnComm();
}

}  // namespace velko::win32
