#include "platform/win32/runtime/line_settings.h"

#include <algorithm>
#include <array>

namespace velko::win32 {

namespace {

constexpr std::array<uint32_t, 15> kStandardSpeeds{
    110,   300,   600,   1200,  2400,   4800,   9600,   14400,
    19200, 38400, 56000, 57600, 115200, 128000, 256000,
};

}  // namespace

bool speedSupported(uint32_t baud) {
    return std::find(kStandardSpeeds.begin(), kStandardSpeeds.end(), baud) != kStandardSpeeds.end();
}

}  // namespace velko::win32
