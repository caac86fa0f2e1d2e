#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "control/velko_foxpro.h"
#include "platform/posix/posix_platform.h"
#include "tools/posix/descriptor_lines.h"
#include "tools/shell/control_backend.h"
#include "tools/shell/event_forwarder.h"
#include "tools/shell/session.h"

namespace velko::tools {

struct HostOptions {
    bool json = false;
    bool showDiagnostics = true;
    std::vector<std::string> devices;  // "N=PATH", already checked
};

// One control on this thread with a sink that reports every event, and a shell session over it.
class Host {
  public:
    explicit Host(const HostOptions& options);
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    posix::PollLoop& loop() { return platform_.loop(); }
    shell::ShellSession& session() { return session_; }

    // Executes the lines that arrive on input while the message loop runs, until a line asks
    // to quit (false), stop() holds (true), or, with endAtEndOfInput, the input has ended and
    // the notifications pending after its last line have run (true).
    bool serve(DescriptorLines& input, bool endAtEndOfInput, const std::function<bool()>& stop);

  private:
    posix::PosixPlatform platform_;
    std::unique_ptr<shell::ShellOutput> output_;
    shell::EventForwarder forwarder_;
    velko_foxpro control_;
    shell::ControlBackend backend_;
    shell::ShellSession session_;
};

}  // namespace velko::tools
