#include "tools/shell/shell_run.h"

#include <iostream>

#include "tools/shell/exit_status.h"
#include "tools/shell/serve.h"

namespace velko::shell {

int runShell(const HostParts& host) {
    const auto ended = [&host] { return host.stop.requested() || host.output.failed(); };
    host.stop.setOnRequest([&host] {
        host.session.call(*findMethod("CloseVelko"), {Text(), Text()});
    });
    host.session.setInterrupted(ended);
    serve(host.loop, host.session, host.input, true, ended);
    host.stop.setOnRequest(nullptr);
    host.session.setInterrupted([] { return false; });
    if (host.output.failed()) {
        std::cerr << host.output.failureText() << std::endl;
        return exit_status::kOutputFailed;
    }
    return host.stop.requested() ? host.stop.exitStatus() : 0;
}

}  // namespace velko::shell
