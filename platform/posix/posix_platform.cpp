#include "platform/posix/posix_platform.h"

#include "platform/posix/line_settings.h"
#include "platform/posix/poll_timer.h"
#include "platform/posix/posix_serial_port.h"
#include "platform/share/device_or_share.h"

namespace velko::posix {

std::unique_ptr<SerialPort> PosixPlatform::createSerialPort() {
    auto share =
        std::make_unique<share::SharePort>(loop_, createTimer(), shareTransport_, speedSupported);
    return std::make_unique<share::DeviceOrShare>(
        std::make_unique<PosixSerialPort>(loop_, ports_), std::move(share),
        [this](int16_t port) -> std::optional<share::ShareMapping> {
            auto settings = ports_.shareOf(port);
            if (!settings) return std::nullopt;
            const Text name = fromUtf8(settings->address.url());
            return share::ShareMapping{std::move(settings), name, {}};
        });
}

std::unique_ptr<Timer> PosixPlatform::createTimer() { return std::make_unique<PollTimer>(loop_); }

}  // namespace velko::posix
