#include "platform/share/device_or_share.h"

#include "control/runtime_error.h"
#include "link/device_refusal.h"
#include "link/port_diagnostics.h"

namespace velko::share {

DeviceOrShare::DeviceOrShare(std::unique_ptr<SerialPort> device, std::unique_ptr<SharePort> share,
                             ShareLookup lookup)
    : device_(std::move(device)),
      share_(std::move(share)),
      lookup_(std::move(lookup)),
      current_(device_.get()) {
    for (SerialPort* part :
         {static_cast<SerialPort*>(device_.get()), static_cast<SerialPort*>(share_.get())}) {
        part->setOnComm([this] { raiseOnComm(); });
        part->setOnDiagnostic([this](const Text& text) { raiseDiagnostic(text); });
    }
}

// The device checks first: its refusal leaves both parts as they were.
void DeviceOrShare::setCommPort(int16_t port) {
    device_->setCommPort(port);
    share_->setCommPort(port);
    commPort_ = port;
}

void DeviceOrShare::setSettings(const Text& settings) {
    device_->setSettings(settings);
    share_->setSettings(settings);
}

void DeviceOrShare::setHandshaking(int32_t handshaking) {
    device_->setHandshaking(handshaking);
    share_->setHandshaking(handshaking);
}

void DeviceOrShare::setRThreshold(int16_t threshold) {
    device_->setRThreshold(threshold);
    share_->setRThreshold(threshold);
}

void DeviceOrShare::setPortOpen(bool open) {
    if (!open) {
        current_->setPortOpen(false);
    } else if (current_->portOpen()) {
        current_->setPortOpen(true);  // "Port already open"
    } else {
        this->open();
    }
}

void DeviceOrShare::open() {
    const auto mapping = lookup_(commPort_);
    SerialPort* const chosen =
        mapping ? static_cast<SerialPort*>(share_.get()) : static_cast<SerialPort*>(device_.get());
    if (chosen != current_) current_->setPortOpen(false);
    current_ = chosen;
    if (mapping && !mapping->settings) {
        raiseDiagnostic(openFailedDiagnostic(mapping->name, mapping->problem));
        refuseDevice(error_number::kInvalidPortNumber, u"Invalid Port Number", mapping->problem);
    }
    if (mapping) share_->useShare(*mapping->settings);
    current_->setPortOpen(true);
}

}  // namespace velko::share
