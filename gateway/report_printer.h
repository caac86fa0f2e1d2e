#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "gateway/call.h"

namespace velko::gateway {

// What the gateway tells on standard output, one line per event, flushed at once: readable
// lines, or JSON objects (docs/gateway.md).
class ReportPrinter {
  public:
    ReportPrinter(std::ostream& out, bool json) : out_(out), json_(json) {}

    void call(const Call& call);
    void hook(bool offHook);
    void delivered(std::string_view output, int64_t callId);
    // peer is "terminal" or an output's name; reason is empty when there is none to tell.
    void connection(std::string_view peer, bool up, const std::string& reason);
    void failure(std::string_view what, const std::string& reason);
    // A server of the gateway's own (the board) listens at url.
    void listening(std::string_view what, const std::string& url);

  private:
    std::ostream& out_;
    bool json_;
};

}  // namespace velko::gateway
