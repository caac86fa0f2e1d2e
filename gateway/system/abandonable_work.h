#pragma once

#include <functional>

#include "gateway/system/wakeup.h"

namespace velko::gateway {

// Runs work on a thread of its own and waits until it is done, for a step that may block longer
// than a stop may wait and that cannot be woken (a name lookup). A stop requested through wake
// ends the wait at once and leaves the work to end alone: work owns everything it touches
// (shares it through std::shared_ptr), never the caller's objects, and raises nothing.
// Raises ConnectionError when the stop left it, or when no thread could be started.
void runUnlessStopped(std::function<void()> work, const Wakeup& wake);

}  // namespace velko::gateway
