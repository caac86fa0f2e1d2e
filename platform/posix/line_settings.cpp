#include "platform/posix/line_settings.h"

#include <array>
#include <cctype>
#include <charconv>
#include <utility>
#include <vector>

namespace velko::posix {

namespace {

constexpr std::array kSpeeds{
    std::pair{50, B50},         std::pair{75, B75},         std::pair{110, B110},
    std::pair{134, B134},       std::pair{150, B150},       std::pair{200, B200},
    std::pair{300, B300},       std::pair{600, B600},       std::pair{1200, B1200},
    std::pair{1800, B1800},     std::pair{2400, B2400},     std::pair{4800, B4800},
    std::pair{9600, B9600},     std::pair{19200, B19200},   std::pair{38400, B38400},
    std::pair{57600, B57600},   std::pair{115200, B115200}, std::pair{230400, B230400},
    std::pair{460800, B460800}, std::pair{921600, B921600},
};

std::optional<speed_t> speedOf(int baud) {
    for (const auto& [rate, speed] : kSpeeds) {
        if (rate == baud) return speed;
    }
    return std::nullopt;
}

std::vector<std::string_view> fieldsOf(std::string_view text) {
    std::vector<std::string_view> fields;
    for (;;) {
        const auto comma = text.find(',');
        fields.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos) return fields;
        text.remove_prefix(comma + 1);
    }
}

std::optional<int> numberOf(std::string_view field) {
    int value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (field.empty() || error != std::errc{} || end != field.data() + field.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<Parity> parityOf(std::string_view field) {
    if (field.size() != 1) return std::nullopt;
    const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(field[0])));
    if (std::string_view("neoms").find(letter) == std::string_view::npos) return std::nullopt;
    return static_cast<Parity>(letter);
}

std::optional<StopBits> stopBitsOf(std::string_view field) {
    if (field == "1") return StopBits::one;
    if (field == "1.5") return StopBits::oneAndHalf;
    if (field == "2") return StopBits::two;
    return std::nullopt;
}

tcflag_t characterSizeOf(int dataBits) {
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

// The UART sends one and a half stop bits when asked for two with five data bits, so 1.5 is
// possible only with five data bits and 2 only with more.
std::optional<LineSettings> parseLineSettings(std::string_view text) {
    const auto fields = fieldsOf(text);
    if (fields.size() != 4) return std::nullopt;
    const auto baud = numberOf(fields[0]);
    const auto parity = parityOf(fields[1]);
    const auto dataBits = numberOf(fields[2]);
    const auto stopBits = stopBitsOf(fields[3]);
    if (!baud || !speedOf(*baud) || !parity || !dataBits || !stopBits) return std::nullopt;
    if (*dataBits < 5 || *dataBits > 8) return std::nullopt;
    const bool fiveDataBits = *dataBits == 5;
    if (*stopBits == StopBits::oneAndHalf && !fiveDataBits) return std::nullopt;
    if (*stopBits == StopBits::two && fiveDataBits) return std::nullopt;
    return LineSettings{*baud, *parity, *dataBits, *stopBits};
}

std::optional<Handshaking> handshakingOf(int32_t value) {
    if (value < 0 || value > 3) return std::nullopt;
    return static_cast<Handshaking>(value);
}

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
