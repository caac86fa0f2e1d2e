#include "decode/report_decoder.h"

#include <utility>

#include "control/conversions.h"
#include "decode/caller_fields.h"

namespace velko {

namespace {

// The start of the diagnostic that shows the receive buffer as a report's decoding begins.
constexpr TextView kReportBufferLabel = u"ProcessReport(): gRxData:";

// The call as one line of text: month, day, hour, minute, number, group and type word, each
// followed by one blank. The name is not part of it.
Text callString(const CID_INFO& call) {
    Text text;
    for (const Text& item :
         {decimalText(call.lMonth), decimalText(call.lDay), decimalText(call.lHour),
          decimalText(call.lMin), call.lNumber, decimalText(call.lGroup), call.lTelType}) {
        text += item;
        text += u' ';
    }
    return text;
}

void decodeCall(_velko_foxpro& self, VelkoEvents& events, int16_t callState) {
    CID_INFO call;
    fillTimeValue(call, self.GetInformationWithIndicator(u"Time:"));
    call.lNumber = self.GetInformationWithIndicator(u"Number:");
    readCallerDetails(self, call);
    self.EndMessageDiscard();
    Text cidStrInfo = callString(call);
    events.callReported(CallReport{callState, std::move(call)});
    events.ReceiveCallByString(callState, cidStrInfo);
}

}  // namespace

void processReport(SharedState& state, _velko_foxpro& self, VelkoEvents& events) {
    RxBuffer& buffer = state.gRxData;
    MessageScope scope(buffer);
    events.DebugMsg(labelled(kReportBufferLabel, buffer.currentMessage()));

    const Text reportType(buffer.currentMessage().substr(0, 1));
    // Appended, not concatenated: i686 GCC 12 at -O3 takes the concatenation for an overlapping
    // copy (-Wrestrict).
    Text typeLine = reportType;
    typeLine += kCRLF;
    if (!buffer.takeThroughTitle(typeLine)) {
        scope.dropRest();
        return;
    }

    if (reportType == u"B" || reportType == u"C") {
        self.EndMessageDiscard();
        events.HookEvent(reportType == u"B");
        return;
    }
    if (reportType != u"D" && reportType != u"E") return;
    events.DebugMsg(u"ProcessReport():report_type:" + reportType);
    decodeCall(self, events, reportType == u"D" ? 1 : 2);
}

}  // namespace velko
