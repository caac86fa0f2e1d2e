#include "tests/win/runtime_support.h"

namespace velko::wintest {

bool runUntil(MessageLoop& loop, const std::function<bool()>& done,
              std::chrono::milliseconds limit) {
    return velko::runUntil(loop, done, Clock::now() + limit);
}

void runFor(MessageLoop& loop, std::chrono::milliseconds duration) {
    runUntil(
        loop, [] { return false; }, duration);
}

int32_t errorNumberOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const RuntimeError& error) {
        return error.number();
    }
    return 0;
}

}  // namespace velko::wintest
