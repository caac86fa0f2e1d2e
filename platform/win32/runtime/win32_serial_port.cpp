#include "platform/win32/runtime/win32_serial_port.h"

#include "platform/win32/runtime/cp949_codec.h"

namespace velko::win32 {

Win32SerialPort::Win32SerialPort(MessageWindow& window)
    : SerialPortProperties(speedSupported),
      window_(window),
      notification_(window.subscribe([this] { notified(); })) {}

Win32SerialPort::~Win32SerialPort() {
    closePort();
    window_.unsubscribe(notification_);
}

void Win32SerialPort::reconfigure(const LineSettings& settings, Handshaking handshaking) {
    device_->configure(settings, handshaking);
}

void Win32SerialPort::openPort() {
    device_ = std::make_unique<CommDevice>(commPort(), settings(), handshaking(),
                                           [this](std::string_view bytes) { received(bytes); });
}

void Win32SerialPort::closePort() {
    device_.reset();
    queue_.clear();
}

void Win32SerialPort::setOutput(const Text& text) {
    requireOpen();
    device_->write(encodeCp949(text));
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
    if (portOpen() && thresholdReached(queue_.size())) raiseOnComm();
}

}  // namespace velko::win32
