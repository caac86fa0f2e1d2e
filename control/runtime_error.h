#pragma once

#include <cstdint>
#include <exception>
#include <optional>

#include "control/text.h"

namespace velko {

// A run-time error: the number and description a failed automation call carries.
class RuntimeError : public std::exception {
  public:
    RuntimeError(int32_t number, Text description);

    int32_t number() const { return number_; }
    const Text& description() const { return description_; }
    const char* what() const noexcept override { return what_.c_str(); }

  private:
    int32_t number_;
    Text description_;
    std::string what_;
};

namespace error_number {
inline constexpr int32_t kInvalidArgument = 5;
inline constexpr int32_t kOverflow = 6;
inline constexpr int32_t kSubscriptOutOfRange = 9;
inline constexpr int32_t kInvalidPropertyValue = 380;
inline constexpr int32_t kPortAlreadyOpenOperation = 8000;
inline constexpr int32_t kInvalidPortNumber = 8002;
inline constexpr int32_t kPortAlreadyOpen = 8005;
inline constexpr int32_t kCouldNotSetCommState = 8015;
inline constexpr int32_t kPortNotOpen = 8018;
}  // namespace error_number

// Raising records the error as the thread's last raised run-time error, then throws it.
[[noreturn]] void raise(int32_t number, Text description);
[[noreturn]] void raiseInvalidArgument();
[[noreturn]] void raiseOverflow();
[[noreturn]] void raiseSubscriptOutOfRange();

// The thread's last raised run-time error, until a trap clears it.
const std::optional<RuntimeError>& pendingError();
void clearPendingError();

struct SharedState;

// GetCurrentErrorMsg: the thread's current error message, which it clears; without one, the
// description of the pending run-time error.
Text getCurrentErrorMsg(SharedState& state);

}  // namespace velko
