#pragma once

#include <cstddef>
#include <cstdint>

#include "link/line_settings.h"
#include "link/serial_port.h"

namespace velko {

// What a serial component does the same way on every platform: the port number, the line
// settings, the handshaking and the receive threshold, each checked before it is taken; opening
// and closing through PortOpen; and the count of waiting characters. A component applies new
// settings to its open device through reconfigure, before they are kept: a device that refuses
// them leaves the previous ones in force.
class SerialPortProperties : public SerialPort {
  public:
    void setCommPort(int16_t port) final;
    void setSettings(const Text& settings) final;
    void setHandshaking(int32_t handshaking) final;
    void setRThreshold(int16_t threshold) final;
    // Opening an open port raises "Port already open"; closing a closed one only stops a
    // component that is opening its device, or opening it again by itself (abandonOpening).
    void setPortOpen(bool open) final;
    // The waiting characters, at most 32767 (the count is a 16-bit property).
    int16_t inBufferCount() final;

  protected:
    explicit SerialPortProperties(bool (*speedSupported)(uint32_t baud))
        : speedSupported_(speedSupported) {}

    // Called only while the port is open.
    virtual void reconfigure(const LineSettings& settings, Handshaking handshaking) = 0;
    // Called only while the port is closed; opens the device of commPort() with the settings
    // and handshaking in force.
    virtual void openPort() = 0;
    // Called only while the port is open.
    virtual void closePort() = 0;
    // Called when the port is closed while it reads closed: a component that is still opening
    // its device (from a handler that runs while it waits), or that opens it again by itself
    // after it went away, stops doing so. Nothing for a component that does neither.
    virtual void abandonOpening() {}
    // Called only while the port is open: the characters waiting for Input.
    virtual size_t waitingCharacters() = 0;

    // Raises "Operation valid only when the port is open" on a closed port.
    void requireOpen() const;
    // Whether this many waiting characters call for OnComm (never while RThreshold is 0).
    bool thresholdReached(size_t waiting) const {
        return rThreshold_ > 0 && waiting >= static_cast<size_t>(rThreshold_);
    }

    int16_t commPort() const { return commPort_; }
    int16_t rThreshold() const { return rThreshold_; }
    const LineSettings& settings() const { return settings_; }
    Handshaking handshaking() const { return handshaking_; }

  private:
    bool (*speedSupported_)(uint32_t baud);
    int16_t commPort_ = 1;
    LineSettings settings_;
    Handshaking handshaking_ = Handshaking::none;
    int16_t rThreshold_ = 0;
};

}  // namespace velko
