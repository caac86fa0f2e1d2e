#pragma once

#include <windows.h>

#include <functional>

namespace velko::wintest {

// Runs the thread's messages (the control's notifications arrive through them) until done()
// holds or the limit has passed, blocking while nothing is queued; true when done() held.
bool pumpUntil(const std::function<bool()>& done, DWORD limitMilliseconds);

}  // namespace velko::wintest
