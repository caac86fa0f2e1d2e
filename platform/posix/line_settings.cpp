#include "platform/posix/line_settings.h"

#include <array>
#include <optional>
#include <utility>

namespace velko::posix {

namespace {

constexpr std::array kSpeeds{
    std::pair{50u, B50},         std::pair{75u, B75},         std::pair{110u, B110},
    std::pair{134u, B134},       std::pair{150u, B150},       std::pair{200u, B200},
    std::pair{300u, B300},       std::pair{600u, B600},       std::pair{1200u, B1200},
    std::pair{1800u, B1800},     std::pair{2400u, B2400},     std::pair{4800u, B4800},
    std::pair{9600u, B9600},     std::pair{19200u, B19200},   std::pair{38400u, B38400},
    std::pair{57600u, B57600},   std::pair{115200u, B115200}, std::pair{230400u, B230400},
    std::pair{460800u, B460800}, std::pair{921600u, B921600},
};

std::optional<speed_t> speedOf(uint32_t baud) {
    for (const auto& [rate, speed] : kSpeeds) {
        if (rate == baud) return speed;
    }
    return std::nullopt;
}

tcflag_t characterSizeOf(uint8_t dataBits) {
    switch (dataBits) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        default:
            return CS8;
    }
}

tcflag_t parityFlagsOf(Parity parity) {
    switch (parity) {
        case Parity::even:
            return PARENB;
        case Parity::odd:
            return PARENB | PARODD;
        case Parity::mark:
            return PARENB | CMSPAR | PARODD;
        case Parity::space:
            return PARENB | CMSPAR;
        case Parity::none:
            break;
    }
    return 0;
}

}  // namespace

bool speedSupported(uint32_t baud) { return speedOf(baud).has_value(); }

bool applyLineSettings(termios& attributes, const LineSettings& settings, Handshaking handshaking) {
    const auto speed = speedOf(settings.baud);
    if (!speed) return false;
    ::cfmakeraw(&attributes);
    attributes.c_iflag &= ~(IXON | IXOFF | IXANY);
    attributes.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    attributes.c_cflag |=
        CLOCAL | CREAD | characterSizeOf(settings.dataBits) | parityFlagsOf(settings.parity);
    if (settings.stopBits != StopBits::one) attributes.c_cflag |= CSTOPB;
    if (handshaking == Handshaking::xonXoff || handshaking == Handshaking::xonXoffAndRtsCts) {
        attributes.c_iflag |= IXON | IXOFF;
    }
    if (handshaking == Handshaking::rtsCts || handshaking == Handshaking::xonXoffAndRtsCts) {
        attributes.c_cflag |= CRTSCTS;
    }
    attributes.c_cc[VMIN] = 1;
    attributes.c_cc[VTIME] = 0;
    return ::cfsetispeed(&attributes, *speed) == 0 && ::cfsetospeed(&attributes, *speed) == 0;
}

}  // namespace velko::posix
