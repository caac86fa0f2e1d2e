#pragma once

#include <memory>

#include "link/serial_port_properties.h"
#include "platform/win32/runtime/comm_device.h"
#include "platform/win32/runtime/line_settings.h"
#include "platform/win32/runtime/message_window.h"
#include "platform/win32/runtime/receive_queue.h"

namespace velko::win32 {

// The serial component on COMn. Bytes on the line are code page 949. A reader thread takes
// arriving bytes from the device as they come, decodes them and keeps them waiting for Input;
// through the message window it has OnComm raised on the control's thread when new characters
// have arrived and at least RThreshold are waiting (never while RThreshold is 0). A device that
// goes away while open (a read fails or ends with nothing) is closed on the control's thread: the
// port reads as closed from then on, and a diagnostic tells why. A device that does not open is
// named in a diagnostic with the system's reason, and so is every write that sent characters
// as "?".
class Win32SerialPort final : public SerialPortProperties {
  public:
    explicit Win32SerialPort(MessageWindow& window);
    ~Win32SerialPort() override;
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    bool portOpen() const override { return device_ != nullptr; }
    void setOutput(const Text& text) override;
    Text input() override;

  private:
    void reconfigure(const LineSettings& settings, Handshaking handshaking) override;
    void openPort() override;
    void closePort() override;
    size_t waitingCharacters() override { return queue_.size(); }
    void received(std::string_view bytes);
    void notified();
    void readerFailed();
    Text deviceName() const;

    MessageWindow& window_;
    MessageWindow::Id notification_;
    MessageWindow::Id failureNotification_;
    ReceiveQueue queue_;
    std::unique_ptr<CommDevice> device_;
};

}  // namespace velko::win32
