#include "gateway/report_printer.h"

#include <nlohmann/json.hpp>

#include "gateway/call_json.h"
#include "gateway/call_text.h"

namespace velko::gateway {

namespace {

using Json = nlohmann::ordered_json;

void printJson(std::ostream& out, const Json& line) {
    out << line.dump(-1, ' ', false, Json::error_handler_t::replace) << std::endl;
}

}  // namespace

void ReportPrinter::call(const Call& call) {
    if (json_) return printJson(out_, {{"event", "call"}, {"call", callJson(call)}});
    out_ << "call " << call.id << ": " << describeCall(call) << std::endl;
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

void ReportPrinter::listening(std::string_view what, const std::string& url) {
    if (json_) return printJson(out_, {{"event", "listening"}, {"what", what}, {"url", url}});
    out_ << what << " at " << url << std::endl;
}

}  // namespace velko::gateway
