#include "control_class/velko_foxpro.h"

#include "commands/send_cmd.h"
#include "control/runtime_error.h"
#include "decode/report_decoder.h"
#include "decode/response_decoder.h"
#include "link/ack_wait.h"
#include "link/field_extraction.h"
#include "link/port_management.h"
#include "link/receive_framing.h"

namespace velko {

velko_foxpro::velko_foxpro(Platform& platform)
    : loop_(platform.messageLoop()),
      mscVelkoPort_(platform.createSerialPort()),
      timerVelkoSync_(platform.createTimer()) {
    // First of all sinks: a host's handler reads what its event carries.
    events_.advise(received_);
    mscVelkoPort_->setOnComm([this] { mscVelkoPort_OnComm(); });
    mscVelkoPort_->setOnDiagnostic([this](const Text& text) { events_.DebugMsg(text); });
    timerVelkoSync_->setOnTick([this] { timerVelkoSync_Timer(); });
}

velko_foxpro::~velko_foxpro() = default;

int16_t velko_foxpro::OpenVelko(Text& pPortName, Text& errorStr) {
    return openVelko(velko_var(), *mscVelkoPort_, pPortName, errorStr);
}

int16_t velko_foxpro::CloseVelko(Text&, Text&) { return closeVelko(*mscVelkoPort_); }

bool velko_foxpro::ComPortStateGet() { return comPortStateGet(*mscVelkoPort_); }

bool velko_foxpro::SendCmd(uint8_t& cmd, Text& para1, Text& para2, Text& para3) {
    return sendCmd(velko_var(), *mscVelkoPort_, *timerVelkoSync_, loop_, events_, cmd, para1, para2,
                   para3);
}

void velko_foxpro::TxData(Text& data) { txData(*mscVelkoPort_, data); }

Text velko_foxpro::GetCurrentErrorMsg() { return getCurrentErrorMsg(velko_var()); }

void velko_foxpro::EventTest(Text&) {}

void velko_foxpro::ProcessReport() { processReport(velko_var(), *this, events_); }

Text velko_foxpro::GetInformationWithIndicator(Text title) {
    return getInformationWithIndicator(velko_var(), title);
}

Text velko_foxpro::GetInformationWithoutIndicator() {
    return getInformationWithoutIndicator(velko_var());
}

void velko_foxpro::EndMessageDiscard() { endMessageDiscard(velko_var()); }

void velko_foxpro::ProcessResponse() { processResponse(velko_var(), *this, events_); }

int16_t velko_foxpro::LastCallState() { return received_.call().callState; }

int16_t velko_foxpro::LastCallMonth() { return received_.call().call.lMonth; }

int16_t velko_foxpro::LastCallDay() { return received_.call().call.lDay; }

int16_t velko_foxpro::LastCallHour() { return received_.call().call.lHour; }

int16_t velko_foxpro::LastCallMin() { return received_.call().call.lMin; }

Text velko_foxpro::LastCallNumber() { return received_.call().call.lNumber; }

Text velko_foxpro::LastCallName() { return received_.call().call.lName; }

int16_t velko_foxpro::LastCallGroup() { return received_.call().call.lGroup; }

Text velko_foxpro::LastCallTelType() { return received_.call().call.lTelType; }

int16_t velko_foxpro::LastListKind() { return received_.listKind(); }

int16_t velko_foxpro::LastListCount() { return received_.listCount(); }

int16_t velko_foxpro::LastListMonth(int16_t index) { return received_.listEntry(index).lMonth; }

int16_t velko_foxpro::LastListDay(int16_t index) { return received_.listEntry(index).lDay; }

int16_t velko_foxpro::LastListHour(int16_t index) { return received_.listEntry(index).lHour; }

int16_t velko_foxpro::LastListMin(int16_t index) { return received_.listEntry(index).lMin; }

Text velko_foxpro::LastListNumber(int16_t index) { return received_.listEntry(index).lNumber; }

Text velko_foxpro::LastListName(int16_t index) { return received_.listEntry(index).lName; }

int16_t velko_foxpro::LastListGroup(int16_t index) { return received_.listEntry(index).lGroup; }

Text velko_foxpro::LastListTelType(int16_t index) { return received_.listEntry(index).lTelType; }

void velko_foxpro::mscVelkoPort_OnComm() {
    receiveNotification(velko_var(), *mscVelkoPort_, *this, events_);
}

void velko_foxpro::timerVelkoSync_Timer() { timerTick(velko_var()); }

}  // namespace velko
