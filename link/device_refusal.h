#pragma once

#include <cstdint>
#include <utility>

#include "control/runtime_error.h"

namespace velko {

// A serial component's refusal of a device, with the system's reason beside the component's own
// error ("No such file or directory", "held by process 4242", "not a terminal"). The component
// raises the error as it always does; the reason goes into its open-failure diagnostic.
class DeviceRefusal : public RuntimeError {
  public:
    DeviceRefusal(const RuntimeError& error, Text reason)
        : RuntimeError(error), reason_(std::move(reason)) {}

    const Text& reason() const { return reason_; }

  private:
    Text reason_;
};

// Records the error as the thread's last raised run-time error, as raise() does, and throws it
// with the reason.
[[noreturn]] void refuseDevice(int32_t number, Text description, Text reason);

}  // namespace velko
