#pragma once

#include "link/message_loop.h"
#include "tools/shell/input_lines.h"
#include "tools/shell/line_writer.h"
#include "tools/shell/port_notices.h"
#include "tools/shell/session.h"
#include "tools/shell/stop_requests.h"

namespace velko::shell {

// What velko shell and velko monitor run on, supplied by the platform's host: the control's
// message loop, the session over the control, the lines from standard input, the requests to
// stop, the notices about the device and the writer of standard output.
struct HostParts {
    MessageLoop& loop;
    ShellSession& session;
    InputLines& input;
    StopRequests& stop;
    PortNotices& notices;
    const LineWriter& output;
};

}  // namespace velko::shell
