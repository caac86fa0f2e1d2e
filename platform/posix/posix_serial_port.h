#pragma once

#include <memory>
#include <string>

#include "link/serial_port_properties.h"
#include "platform/posix/cp949_codec.h"
#include "platform/posix/line_settings.h"
#include "platform/posix/poll_loop.h"
#include "platform/posix/port_map.h"
#include "platform/posix/serial_device.h"

namespace velko::posix {

// The serial component on a termios device. Bytes on the line are code page 949. Arriving
// bytes are taken from the device as soon as the loop sees them, decoded, and kept waiting for
// Input; OnComm is raised when new characters have arrived and at least RThreshold are waiting
// (never while RThreshold is 0). A burst is taken in pieces: while a piece (or RThreshold
// characters, when more) waits, the device keeps the rest, and the next piece is taken once
// Input has emptied the wait. A device that goes away while open (it hangs up, fails, or a read
// or write finds it gone) is closed and no longer watched: the port reads as closed from then
// on, and a diagnostic tells why. A device that does not open is named in a diagnostic with the
// system's reason, and so is every write that sent characters as "?".
class PosixSerialPort final : public SerialPortProperties {
  public:
    PosixSerialPort(PollLoop& loop, const PortMap& ports)
        : SerialPortProperties(speedSupported), loop_(loop), ports_(ports) {}
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    bool portOpen() const override { return device_ != nullptr; }
    void setOutput(const Text& text) override;
    Text input() override;

  private:
    void reconfigure(const LineSettings& settings, Handshaking handshaking) override;
    void openPort() override;
    void closePort() override;
    size_t waitingCharacters() override;
    void dropVanishedDevice();
    void receive();
    size_t takeArrivedCharacters();
    bool waitIsFull() const;
    // Watches the device while there is room to wait; a device found gone stays watched until
    // the loop's next turn closes the port.
    void updateWatch();

    PollLoop& loop_;
    const PortMap& ports_;
    std::unique_ptr<SerialDevice> device_;
    std::string path_;
    int watch_ = 0;
    Cp949Decoder decoder_;
    Cp949Encoder encoder_;
    Text waiting_;
};

}  // namespace velko::posix
