#pragma once

#include <cstdint>

#include "control/shared_state.h"
#include "link/serial_port.h"

namespace velko {

namespace open_result {
inline constexpr int16_t kOpened = 0;
inline constexpr int16_t kAlreadyOpen = 1;
inline constexpr int16_t kFailed = 2;
}  // namespace open_result

int16_t openVelko(SharedState& state, SerialPort& port, const Text& pPortName, Text& errorStr);
int16_t closeVelko(SerialPort& port);
bool comPortStateGet(SerialPort& port);
void txData(SerialPort& port, const Text& data);

}  // namespace velko
