#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "link/serial_port.h"
#include "platform/share/share_port.h"
#include "platform/share/share_settings.h"

namespace velko::share {

// A port number mapped to a gateway's share: its settings, or why the mapping cannot be used (a
// password that cannot be read back, a URL that is no share's). name is what the diagnostics
// call it: the URL, or the port when there is none.
struct ShareMapping {
    std::optional<ShareSettings> settings;
    Text name;
    Text problem;
};

// The share a port number is mapped to when the port opens; nothing for a port that stands for
// its device.
using ShareLookup = std::function<std::optional<ShareMapping>(int16_t port)>;

// The serial component the platform gives a control: the control creates it before it knows
// which port it will open, so each opening asks the lookup and opens the port's device or the
// share it is mapped to at that moment. The properties go to both parts, so each has them when
// it opens; everything else goes to the part opened last (the device before any). Opening the
// other part first closes the one opened before, which stops a share that was coming back by
// itself.
class DeviceOrShare final : public SerialPort {
  public:
    DeviceOrShare(std::unique_ptr<SerialPort> device, std::unique_ptr<SharePort> share,
                  ShareLookup lookup);
    DeviceOrShare(const DeviceOrShare&) = delete;
    DeviceOrShare& operator=(const DeviceOrShare&) = delete;

    void setCommPort(int16_t port) override;
    void setSettings(const Text& settings) override;
    void setHandshaking(int32_t handshaking) override;
    void setRThreshold(int16_t threshold) override;
    bool portOpen() const override { return current_->portOpen(); }
    void setPortOpen(bool open) override;
    void setOutput(const Text& text) override { current_->setOutput(text); }
    int16_t inBufferCount() override { return current_->inBufferCount(); }
    Text input() override { return current_->input(); }

  private:
    void open();

    std::unique_ptr<SerialPort> device_;
    std::unique_ptr<SharePort> share_;
    ShareLookup lookup_;
    SerialPort* current_;
    int16_t commPort_ = 1;
};

}  // namespace velko::share
