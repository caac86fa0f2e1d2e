#include "control/runtime_error.h"

#include <utility>

#include "control/shared_state.h"

namespace velko {

RuntimeError::RuntimeError(int32_t number, Text description)
    : number_(number),
      description_(std::move(description)),
      what_(std::to_string(number) + " " + toUtf8(description_)) {}

namespace {
thread_local std::optional<RuntimeError> threadPendingError;
}

void raise(int32_t number, Text description) {
    RuntimeError error(number, std::move(description));
    threadPendingError = error;
    throw error;
}

void raiseInvalidArgument() {
    raise(error_number::kInvalidArgument, u"Invalid procedure call or argument");
}

void raiseOverflow() { raise(error_number::kOverflow, u"Overflow"); }

void raiseSubscriptOutOfRange() {
    raise(error_number::kSubscriptOutOfRange, u"Subscript out of range");
}

const std::optional<RuntimeError>& pendingError() { return threadPendingError; }

void clearPendingError() { threadPendingError.reset(); }

Text getCurrentErrorMsg(SharedState& state) {
    Text message = std::exchange(state.gErrorMsg, {});
    if (message.empty() && pendingError()) message = pendingError()->description();
    return message;
}

}  // namespace velko
