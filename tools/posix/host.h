#pragma once

#include <memory>

#include "control_class/velko_foxpro.h"
#include "platform/posix/posix_platform.h"
#include "tools/shell/control_backend.h"
#include "tools/shell/event_forwarder.h"
#include "tools/shell/host_options.h"
#include "tools/shell/line_writer.h"
#include "tools/shell/port_notices.h"
#include "tools/shell/session.h"

namespace velko::tools {

// One control on this thread with a sink that reports every event, and a shell session over it.
// The reports go to standard output, the notices about the device to standard error.
class Host {
  public:
    explicit Host(const shell::HostOptions& options);
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    posix::PollLoop& loop() { return platform_.loop(); }
    shell::ShellSession& session() { return session_; }
    shell::PortNotices& notices() { return notices_; }
    const shell::LineWriter& output() const { return lines_; }

  private:
    posix::PosixPlatform platform_;
    shell::LineWriter lines_;
    std::unique_ptr<shell::ShellOutput> output_;
    shell::PortNotices notices_;
    shell::EventForwarder forwarder_;
    velko_foxpro control_;
    shell::ControlBackend backend_;
    shell::ShellSession session_;
};

}  // namespace velko::tools
