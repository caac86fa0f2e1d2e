#include "tools/shell/serve.h"

namespace velko::shell {

bool serve(MessageLoop& loop, ShellSession& session, InputLines& input, bool endAtEndOfInput,
           const std::function<bool()>& stop, MessageLoop::Clock::time_point until) {
    for (;;) {
        loop.runPending();
        while (auto line = input.next()) {
            if (!session.execute(*line)) return false;
            if (stop()) return true;
        }
        if (stop() || MessageLoop::Clock::now() >= until) return true;
        if (endAtEndOfInput && input.exhausted()) {
            loop.runPending();
            return true;
        }
        loop.waitForActivity(until);
    }
}

}  // namespace velko::shell
