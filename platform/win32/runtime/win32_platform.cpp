#include "platform/win32/runtime/win32_platform.h"

#include "platform/win32/runtime/win32_serial_port.h"
#include "platform/win32/runtime/win32_timer.h"

namespace velko::win32 {

std::unique_ptr<SerialPort> Win32Platform::createSerialPort() {
    return std::make_unique<Win32SerialPort>(window_);
}

std::unique_ptr<Timer> Win32Platform::createTimer() {
    return std::make_unique<Win32Timer>(window_);
}

}  // namespace velko::win32
