#include "platform/win32/runtime/win32_serial_port.h"

#include "control/runtime_error.h"
#include "link/device_refusal.h"
#include "link/port_diagnostics.h"
#include "platform/win32/runtime/cp949_codec.h"
#include "platform/win32/runtime/system_reason.h"

namespace velko::win32 {

Win32SerialPort::Win32SerialPort(MessageWindow& window)
    : SerialPortProperties(speedSupported),
      window_(window),
      notification_(window.subscribe([this] { notified(); })),
      failureNotification_(window.subscribe([this] { readerFailed(); })) {}

Win32SerialPort::~Win32SerialPort() {
    closePort();
    window_.unsubscribe(failureNotification_);
    window_.unsubscribe(notification_);
}

void Win32SerialPort::reconfigure(const LineSettings& settings, Handshaking handshaking) {
    device_->configure(settings, handshaking);
}

void Win32SerialPort::openPort() {
    try {
        device_ = std::make_unique<CommDevice>(
            commPort(), settings(), handshaking(),
            [this](std::string_view bytes) { received(bytes); },
            [this] { window_.post(failureNotification_); });
    } catch (const DeviceRefusal& refusal) {
        raiseDiagnostic(openFailedDiagnostic(deviceName(), refusal.reason()));
        throw;
    }
}

Text Win32SerialPort::deviceName() const { return u"COM" + decimalText(commPort()); }

void Win32SerialPort::closePort() {
    device_.reset();
    queue_.clear();
}

void Win32SerialPort::setOutput(const Text& text) {
    requireOpen();
    const std::string bytes = encodeCp949(text);
    device_->write(bytes);
    if (const size_t replaced = replacedCharacters(text, bytes)) {
        raiseDiagnostic(replacedCharactersDiagnostic(replaced));
    }
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

// Posted by the reader as it ended; it may come for a device closed since, which is not asked.
// What the reader took before it failed has been notified already. The port is closed before
// the diagnostic goes out, so that whoever hears it finds it closed.
void Win32SerialPort::readerFailed() {
    const auto failure = portOpen() ? device_->readFailure() : std::nullopt;
    if (!failure) return;
    const Text diagnostic = deviceGoneDiagnostic(deviceName(), systemReason(*failure));
    closePort();
    raiseDiagnostic(diagnostic);
}

}  // namespace velko::win32
