#include "gateway/terminal_reader.h"

#include "decode/call_string.h"
#include "decode/report_decoder.h"

namespace velko::gateway {

// Each report's decoding starts with its buffer diagnostic, so a report without a name leaves
// none behind for the next call.
void TerminalReader::DebugMsg(const Text& str) {
    if (str.starts_with(kReportBufferLabel)) reportedName_ = nameInReportDiagnostic(str);
}

void TerminalReader::ReceiveCallByString(int16_t callState, Text& cidStrInfo) {
    auto call = parseCallString(cidStrInfo);
    if (!call) return;
    call->lName = reportedName_.value_or(Text());
    reportedName_.reset();
    handlers_.call(callState, *call);
}

}  // namespace velko::gateway
