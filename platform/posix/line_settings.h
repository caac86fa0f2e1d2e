#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>
#include <string_view>

namespace velko::posix {

enum class Parity : char { none = 'n', even = 'e', odd = 'o', mark = 'm', space = 's' };
enum class StopBits { one, oneAndHalf, two };
enum class Handshaking : int32_t { none = 0, xonXoff = 1, rtsCts = 2, xonXoffAndRtsCts = 3 };

// The line's framing, as a settings text such as "9600,n,8,1" gives it: speed in baud, parity
// letter, data bits (5 to 8) and stop bits (1, 1.5 or 2), joined by commas.
struct LineSettings {
    int baud = 9600;
    Parity parity = Parity::none;
    int dataBits = 8;
    StopBits stopBits = StopBits::one;
};

// None when the text is malformed or names a speed or combination the line cannot run.
std::optional<LineSettings> parseLineSettings(std::string_view text);
std::optional<Handshaking> handshakingOf(int32_t value);

// Raw mode: no echo, no line editing, no translation; receiver on, modem lines ignored; reads
// return as soon as one byte is there. False when the speed is not one the line can run.
bool applyLineSettings(termios& attributes, const LineSettings& settings, Handshaking handshaking);

}  // namespace velko::posix
