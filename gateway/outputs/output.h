#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "gateway/calls/call.h"
#include "gateway/calls/line_status.h"

namespace velko::gateway {

// What an output reports to the gateway, always on the loop's thread.
class OutputEvents {
  public:
    virtual ~OutputEvents() = default;
    // The far end acknowledged the call.
    virtual void delivered(std::string_view output, int64_t callId) = 0;
    // The far end acknowledged the end of the answered call.
    virtual void hangUpDelivered(std::string_view output, int64_t callId) = 0;
    // The connection to the far end came up or went down; reason says why it went down.
    virtual void connectionChanged(std::string_view output, bool up, const std::string& reason) = 0;
};

// One destination of the calls (NCID, MQTT): its own connection, reconnection with backoff,
// and sanitising of values. The gateway hands it the calls in the log's order, the calls still
// undelivered at start first, never more than a window of them unacknowledged (OutputFeed); the
// output delivers them in that order, resends what it holds unacknowledged after every
// reconnection, and reports each acknowledged call once through OutputEvents. No method blocks.
class Output {
  public:
    virtual ~Output() = default;

    // The name of its delivery state in the call log ("ncid", "mqtt").
    virtual std::string_view name() const = 0;
    virtual void deliver(const Call& call) = 0;
    virtual void lineStatus(const LineStatus& status) = 0;
    // Whether it carries the ends of answered calls (callFinished). Those it carries are logged
    // and handed over like calls, each after its call, and acknowledged through hangUpDelivered.
    virtual bool reportsHangUps() const { return false; }
    virtual void callFinished(const FinishedCall&) {}
    // Ends the connection cleanly; returns within about half a second.
    virtual void stop() = 0;
};

}  // namespace velko::gateway
