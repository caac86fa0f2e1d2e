#include "gateway/report_printer.h"

#include <nlohmann/json.hpp>

#include "gateway/calls/call_json.h"
#include "gateway/calls/call_text.h"
#include "gateway/terminal/terminal_clock.h"

namespace velko::gateway {

namespace {

using Json = nlohmann::ordered_json;

void printJson(std::ostream& out, const Json& line) { out << jsonText(line) << std::endl; }

}  // namespace

void ReportPrinter::call(const Call& call) {
    if (json_) return printJson(out_, {{"event", "call"}, {"call", callJson(call)}});
    out_ << "call " << call.id << ": " << describeCall(call)
         << (call.source == CallSource::Memory ? "  (from the terminal's memory)" : "")
         << std::endl;
}

void ReportPrinter::hook(bool offHook) {
    if (json_) return printJson(out_, {{"event", "hook"}, {"off_hook", offHook}});
    out_ << "hook " << (offHook ? "off-hook" : "on-hook") << std::endl;
}

void ReportPrinter::delivered(std::string_view output, int64_t callId) {
    if (json_)
        return printJson(out_, {{"event", "delivered"}, {"output", output}, {"call", callId}});
    out_ << "delivered call " << callId << " to " << output << std::endl;
}

void ReportPrinter::connection(std::string_view peer, bool up, const std::string& reason) {
    const char* state = up ? "connected" : "disconnected";
    if (json_) {
        Json line{{"event", "connection"}, {"peer", peer}, {"state", state}};
        if (!reason.empty()) line["reason"] = reason;
        return printJson(out_, line);
    }
    out_ << peer << ' ' << state << (reason.empty() ? "" : ": " + reason) << std::endl;
}

void ReportPrinter::failure(std::string_view what, const std::string& reason) {
    if (json_) return printJson(out_, {{"event", "error"}, {"what", what}, {"reason", reason}});
    out_ << what << " failed: " << reason << std::endl;
}

void ReportPrinter::logFailing(const std::string& reason) {
    if (json_) return printJson(out_, {{"event", "log"}, {"state", "failing"}, {"reason", reason}});
    out_ << "log failing: " << reason << std::endl;
}

void ReportPrinter::logRecovered(size_t calls) {
    if (json_) return printJson(out_, {{"event", "log"}, {"state", "recovered"}, {"calls", calls}});
    out_ << "log recovered: " << calls << " calls written" << std::endl;
}

void ReportPrinter::pruned(int64_t calls, int64_t hookChanges, int64_t keepDays) {
    if (json_) {
        return printJson(out_, {{"event", "pruned"},
                                {"calls", calls},
                                {"hook_changes", hookChanges},
                                {"keep_days", keepDays}});
    }
    out_ << "log pruned: " << calls << " calls and " << hookChanges << " hook changes older than "
         << keepDays << " days" << std::endl;
}

void ReportPrinter::backfill(size_t listed, size_t added, const std::optional<PossibleGap>& gap) {
    if (json_) {
        Json line{{"event", "backfill"}, {"listed", listed}, {"added", added}};
        if (gap) line["gap"] = {{"after", gap->after}, {"before", gap->before}};
        return printJson(out_, line);
    }
    out_ << "backfill: " << added << " calls from the terminal's memory (" << listed << " listed)"
         << std::endl;
    if (gap) {
        out_ << "backfill: calls between " << gap->after << " and " << gap->before << " may be lost"
             << std::endl;
    }
}

void ReportPrinter::backfillFailed(const std::string& reason) {
    if (json_) return printJson(out_, {{"event", "backfill"}, {"error", reason}});
    out_ << "backfill failed: " << reason << std::endl;
}

void ReportPrinter::clockOff(long minutes) {
    if (json_) return printJson(out_, {{"event", "clock"}, {"off_minutes", minutes}});
    out_ << "clock: " << clockOffsetText(minutes) << std::endl;
}

void ReportPrinter::clockSet(bool set, const std::string& date, const std::string& time) {
    if (json_) {
        return printJson(out_, {{"event", "clock"}, {"set", set}, {"date", date}, {"time", time}});
    }
    out_ << "clock: " << (set ? "set the terminal to " : "the terminal refused ") << date << ' '
         << time << std::endl;
}

void ReportPrinter::listening(std::string_view what, const std::string& url) {
    if (json_) return printJson(out_, {{"event", "listening"}, {"what", what}, {"url", url}});
    out_ << what << " at " << url << std::endl;
}

void ReportPrinter::board(const BoardNotice& notice) {
    using Kind = BoardNotice::Kind;
    if (json_) {
        Json line{{"event", "board"}};
        if (notice.kind == Kind::RequestFailed) {
            line["request"] = notice.request;
            line["error"] = notice.reason;
            line["also_failed"] = notice.alsoFailed;
        } else {
            line["live"] = notice.kind == Kind::LiveEventsResumed;
            if (notice.kind == Kind::LiveEventsStopped) line["reason"] = notice.reason;
        }
        return printJson(out_, line);
    }
    out_ << "board: ";
    switch (notice.kind) {
        case Kind::RequestFailed:
            out_ << (notice.request.empty() ? "a request" : withoutControls(notice.request))
                 << " failed: " << withoutControls(notice.reason);
            if (notice.alsoFailed != 0) {
                out_ << " (and " << notice.alsoFailed << " other requests since the last told)";
            }
            break;
        case Kind::LiveEventsStopped:
            out_ << "live events stopped: " << withoutControls(notice.reason)
                 << "; reading the log again";
            break;
        case Kind::LiveEventsResumed:
            out_ << "live events resumed";
            break;
    }
    out_ << std::endl;
}

}  // namespace velko::gateway
