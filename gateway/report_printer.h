#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "gateway/board/board_report.h"
#include "gateway/calls/call.h"
#include "gateway/calls/line_status.h"

namespace velko::gateway {

// What the gateway tells on standard output, one line per event, flushed at once: readable
// lines, or JSON objects (README, "velko gateway").
class ReportPrinter {
  public:
    ReportPrinter(std::ostream& out, bool json) : out_(out), json_(json) {}

    void call(const Call& call);
    void hook(bool offHook);
    void delivered(std::string_view output, int64_t callId);
    // peer is "terminal" or an output's name; reason is empty when there is none to tell.
    void connection(std::string_view peer, bool up, const std::string& reason);
    void failure(std::string_view what, const std::string& reason);
    // The call log could not be written, and why; it was written again, with the calls that
    // waited in memory.
    void logFailing(const std::string& reason);
    void logRecovered(size_t calls);
    // The log lost what was older than keepDays days (velko gateway --keep-days).
    void pruned(int64_t calls, int64_t hookChanges, int64_t keepDays);
    // A read of the terminal's memory: how many calls it listed, how many of them the log lacked
    // and took, and when calls may have been lost; or why it failed.
    void backfill(size_t listed, size_t added, const std::optional<PossibleGap>& gap);
    void backfillFailed(const std::string& reason);
    // The terminal's clock is off by minutes (positive ahead); it was set (or refused) to the
    // date and time given.
    void clockOff(long minutes);
    void clockSet(bool set, const std::string& date, const std::string& time);
    // A server of the gateway's own (the board) listens at url.
    void listening(std::string_view what, const std::string& url);
    // What went wrong on the board's threads, or that its live events run again.
    void board(const BoardNotice& notice);

  private:
    std::ostream& out_;
    bool json_;
};

}  // namespace velko::gateway
