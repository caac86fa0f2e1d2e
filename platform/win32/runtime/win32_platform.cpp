#include "platform/win32/runtime/win32_platform.h"

#include "platform/win32/runtime/line_settings.h"
#include "platform/win32/runtime/win32_serial_port.h"
#include "platform/win32/runtime/win32_timer.h"

namespace velko::win32 {

Win32Platform::Win32Platform(ShareSupport shares)
    : shareTransport_(shares.transport ? shares.transport(window_) : nullptr),
      shareLookup_(std::move(shares.lookup)) {}

std::unique_ptr<SerialPort> Win32Platform::createSerialPort() {
    auto device = std::make_unique<Win32SerialPort>(window_);
    if (!shareTransport_ || !shareLookup_) return device;
    auto share =
        std::make_unique<share::SharePort>(loop_, createTimer(), *shareTransport_, speedSupported);
    return std::make_unique<share::DeviceOrShare>(std::move(device), std::move(share),
                                                  shareLookup_);
}

std::unique_ptr<Timer> Win32Platform::createTimer() {
    return std::make_unique<Win32Timer>(window_);
}

}  // namespace velko::win32
