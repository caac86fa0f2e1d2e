#pragma once

#include <cstdint>
#include <functional>

#include "control/text.h"

namespace velko {

// What the control requires of its serial-port component. A refusal is a RuntimeError with
// the component's own number and description:
//   8002 "Invalid Port Number"        a port that does not exist, or a number of 0 or below
//   8005 "Port already open"          a port another program holds
//   8000 "Operation not valid while the port is opened"   CommPort set while open
//   8018 "Operation valid only when the port is open"     Output, Input, InBufferCount closed
//   380  "Invalid property value"     a Settings text the component rejects
//   8015 "Could not set comm state"   a device that refuses the line settings
class SerialPort {
  public:
    virtual ~SerialPort() = default;

    virtual void setCommPort(int16_t port) = 0;
    virtual void setSettings(const Text& settings) = 0;
    virtual void setHandshaking(int32_t handshaking) = 0;
    virtual void setRThreshold(int16_t threshold) = 0;
    virtual bool portOpen() const = 0;
    // Closing a port that reads closed changes nothing, except that a component that opens its
    // device again by itself (a port mapped to a gateway, which comes back after the gateway
    // went away) stops doing so.
    virtual void setPortOpen(bool open) = 0;
    // Transmits the whole text at once, converted to the line's bytes, adding nothing.
    virtual void setOutput(const Text& text) = 0;
    // Characters waiting to be read.
    virtual int16_t inBufferCount() = 0;
    // Every waiting character, removed from the waiting queue.
    virtual Text input() = 0;

    // OnComm: raised on the control's thread, through its message loop, after characters have
    // arrived (and possibly for other line events).
    void setOnComm(std::function<void()> handler) { onComm_ = std::move(handler); }

    // What the component tells about its device beyond the members above, raised on the
    // control's thread: a device that did not open and why, a device that went away, characters
    // sent as "?" (port_diagnostics.h). The component is in a consistent state when it raises
    // one, and the handler may use it.
    void setOnDiagnostic(std::function<void(const Text&)> handler) {
        onDiagnostic_ = std::move(handler);
    }

  protected:
    void raiseOnComm() {
        if (onComm_) onComm_();
    }
    void raiseDiagnostic(const Text& text) {
        if (onDiagnostic_) onDiagnostic_(text);
    }

  private:
    std::function<void()> onComm_;
    std::function<void(const Text&)> onDiagnostic_;
};

}  // namespace velko
