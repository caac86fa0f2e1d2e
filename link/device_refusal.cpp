#include "link/device_refusal.h"

#include <utility>

namespace velko {

void refuseDevice(int32_t number, Text description, Text reason) {
    try {
        raise(number, std::move(description));
    } catch (const RuntimeError& error) {
        throw DeviceRefusal(error, std::move(reason));
    }
}

}  // namespace velko
