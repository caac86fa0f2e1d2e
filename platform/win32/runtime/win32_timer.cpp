#include "platform/win32/runtime/win32_timer.h"

#include "platform/win32/runtime/out_of_memory.h"

namespace velko::win32 {

Win32Timer::Win32Timer(MessageWindow& window)
    : window_(window), id_(window.subscribe([this] { tick(); })) {}

Win32Timer::~Win32Timer() { window_.unsubscribe(id_); }

void Win32Timer::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    if (enabled) {
        const auto interval = static_cast<UINT>(kInterval.count());
        if (!window_.startTimer(id_, interval)) raiseOutOfMemory();
    } else {
        window_.stopTimer(id_);
    }
    enabled_ = enabled;
}

void Win32Timer::tick() {
    if (enabled_) raiseTick();
}

}  // namespace velko::win32
