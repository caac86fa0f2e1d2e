#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

#include "gateway/outputs/reconnecting_output.h"

namespace velko::gateway {

struct NcidSettings {
    std::string host;
    uint16_t port = 3333;
    std::string version;  // in the HELLO line
};

// Delivers calls to an NCID server as a gateway (docs/ncid.md), on a thread of its own that
// hands its results to the loop: it connects, says HELLO, reads the greeting to its 300 line,
// switches to acknowledgement mode, and sends each waiting line alone, the next only after the
// server has acknowledged the one before. A call counts as delivered when its CALL line is
// acknowledged, the end of an answered call when its CALLINFO line is. It keeps reading the socket
// (the server echoes every call), and after a lost connection it connects again and sends what
// was not acknowledged, oldest first.
class NcidOutput final : public ReconnectingOutput {
  public:
    NcidOutput(NcidSettings settings, LoopAccess& loop, OutputEvents& events);
    ~NcidOutput() override;
    NcidOutput(const NcidOutput&) = delete;
    NcidOutput& operator=(const NcidOutput&) = delete;

    std::string_view name() const override { return "ncid"; }
    void deliver(const Call& call) override;
    void lineStatus(const LineStatus&) override {}
    bool reportsHangUps() const override { return true; }
    void callFinished(const FinishedCall& finished) override;

  private:
    struct Waiting {
        std::string line;
        int64_t callId;
        bool hangUp;  // the end of the answered call, not the call
    };

    void enqueue(Waiting waiting);
    void serve() override;

    NcidSettings settings_;
    std::mutex mutex_;
    std::deque<Waiting> waiting_;
};

}  // namespace velko::gateway
