#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace velko {

enum class Parity : char { none = 'n', even = 'e', odd = 'o', mark = 'm', space = 's' };
enum class StopBits { one, oneAndHalf, two };
enum class Handshaking : int32_t { none = 0, xonXoff = 1, rtsCts = 2, xonXoffAndRtsCts = 3 };

// The line's framing, as a settings text such as "9600,n,8,1" gives it: speed in baud, parity
// letter, data bits (5 to 8) and stop bits (1, 1.5 or 2), joined by commas.
struct LineSettings {
    uint32_t baud = 9600;
    Parity parity = Parity::none;
    uint8_t dataBits = 8;
    StopBits stopBits = StopBits::one;
};

// None when the text is malformed, names a speed the serial component cannot run, or a
// combination of data and stop bits a UART cannot send.
std::optional<LineSettings> parseLineSettings(std::string_view text,
                                              bool (*speedSupported)(uint32_t baud));
std::optional<Handshaking> handshakingOf(int32_t value);

}  // namespace velko
