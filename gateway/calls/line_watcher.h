#pragma once

#include <string_view>

#include "gateway/calls/call.h"
#include "gateway/calls/line_status.h"

namespace velko::gateway {

// Something that watches the line without a delivery state in the log (the board): the gateway
// tells it each call once the call is logged (or waits in memory to be, while the log fails; a
// call that memory cannot hold either is not told), each change of the line's status and each
// change of an output's connection, always on the loop's thread. No method blocks.
class LineWatcher {
  public:
    virtual ~LineWatcher() = default;
    virtual void callLogged(const Call& call) = 0;
    virtual void lineChanged(const LineStatus& status) = 0;
    virtual void outputChanged(std::string_view output, bool connected) = 0;
};

}  // namespace velko::gateway
