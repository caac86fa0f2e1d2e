#include "tools/shell/control_backend.h"

namespace velko::shell {

Value ControlBackend::call(const MemberInfo& method, std::vector<Value>& args) {
    return invoke(control_, method, args);
}

void ControlBackend::runFor(std::chrono::milliseconds duration,
                            const std::function<bool()>& interrupted) {
    runUntil(loop_, interrupted, MessageLoop::Clock::now() + duration);
}

}  // namespace velko::shell
