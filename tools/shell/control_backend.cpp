#include "tools/shell/control_backend.h"

namespace velko::shell {

Value ControlBackend::call(const MemberInfo& method, std::vector<Value>& args) {
    return invoke(control_, method, args);
}

void ControlBackend::runFor(std::chrono::milliseconds duration) {
    const auto deadline = MessageLoop::Clock::now() + duration;
    loop_.runPending();
    while (MessageLoop::Clock::now() < deadline) {
        loop_.waitForActivity(deadline);
        loop_.runPending();
    }
}

}  // namespace velko::shell
